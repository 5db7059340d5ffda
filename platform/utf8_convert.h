#pragma once

#include <cstddef>

// Conversion between UTF-8 and UTF-16 (host byte order).
//
// Both functions measure when dest is null: they return the number of units the output needs.
// Otherwise they write at most capacity units and return the number written, or 0 when the
// output does not fit.

// Each maximal invalid subpart of the input (a stray byte, a truncated or overlong sequence,
// an encoded surrogate or a value above U+10FFFF) becomes one U+FFFD.
size_t Utf8ToUtf16(const char* src, size_t length, char16_t* dest, size_t capacity);

// A surrogate that is not part of a pair becomes U+FFFD (EF BF BD).
size_t Utf16ToUtf8(const char16_t* src, size_t length, char* dest, size_t capacity);
