#pragma once

#include <cstdint>
#include <string>

// A dotted version number: three signed parts, a missing part being 0, and the text it was
// read from.
struct VersionTriple {
    int32_t first = 0;
    int32_t second = 0;
    int32_t third = 0;
    std::u16string text;
};

// Reads up to three dot-separated parts; anything after the third part is ignored. Each part
// is read like _wtoi: leading white space, an optional sign, then decimal digits up to the
// first other character (no digit gives 0). A part beyond the 32-bit range saturates.
VersionTriple ParseVersion(std::u16string text);

// True when a is strictly lower than b, comparing the parts in order as numbers.
bool IsOlderVersion(const VersionTriple& a, const VersionTriple& b);
