#pragma once

#include <string>

// Conversion between numbered code pages and UTF-16 (host byte order).
//
// Both conversions measure when capacity is 0: they return the number of units the output
// needs. Otherwise they write at most capacity units to dest and return the number written.
// They return 0 when the source is empty, the output does not fit, or the code page is not
// offered here. They never fail on the content of the source.

inline constexpr int CP_ACP = 0; // the process locale's multi-byte encoding
inline constexpr int CP_UTF8 = 65001;

// Bytes that are not valid in the code page become U+FFFD, one per maximal invalid subpart.
int MultiByteToUtf16(int codePage, const char* src, int length, char16_t* dest, int capacity);

// A character the code page cannot represent becomes "?" and sets *usedDefaultChar when it is
// given (it is never cleared here). To UTF-8, a lone surrogate becomes U+FFFD.
int Utf16ToMultiByte(int codePage, const char16_t* src, int length, char* dest, int capacity,
                     bool* usedDefaultChar);

// The character set name that stands for a code page in the conversion facility ("UTF-8" for
// CP_UTF8 and for a process locale without one of its own), or null when it is not offered.
const char* CodePageCharset(int codePage);

// The codeset of the locale that the environment (LC_ALL, LC_CTYPE, LANG) selects, as the C
// library names it ("UTF-8", "ANSI_X3.4-1968" for C/POSIX); empty when that locale is not
// installed.
std::string EnvironmentLocaleCodeset();
