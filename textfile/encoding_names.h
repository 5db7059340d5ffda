#pragma once

#include <string_view>

// Code numbers with a meaning of their own inside the system.
inline constexpr int CP_UTF16 = 1200;           // UTF-16 little-endian, the document's text
inline constexpr int CP_UTF32_INTERNAL = 65005; // arrays of 32-bit code points

// The code page an encoding name stands for: 0 for an empty name, CP_UTF32_INTERNAL for a
// name beginning "UTF-32" (exactly so), the code page of a known name (ASCII letters
// compared without case), -1 otherwise.
int CodePageFromName(std::u16string_view name);
