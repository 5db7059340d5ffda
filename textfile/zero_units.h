#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Removal of the zero units from a block of text read from a file, for 8-bit and 16-bit units.

namespace zero_units {

// The first zero unit in [p, end), or end.
inline char* FindZero(char* p, char* end) {
    void* zero = std::memchr(p, 0, static_cast<size_t>(end - p));
    return zero ? static_cast<char*>(zero) : end;
}

inline char16_t* FindZero(char16_t* p, char16_t* end) {
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (; end - p >= 8; p += 8) {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const auto mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(units, zero)));
        if (mask != 0)
            return p + __builtin_ctz(mask) / 2;
    }
#endif
    constexpr uint64_t kLow = 0x0001000100010001ull;
    constexpr uint64_t kHigh = 0x8000800080008000ull;
    for (; end - p >= 4; p += 4) {
        uint64_t word;
        std::memcpy(&word, p, sizeof word);
        if (((word - kLow) & ~word & kHigh) != 0)
            break;
    }
    while (p != end && *p != 0)
        ++p;
    return p;
}

} // namespace zero_units

// Removes every zero unit, moving each run between zeros down once. Returns the count removed.
template <typename Unit> int32_t RemoveZeroUnits(Unit* units, int32_t count) {
    Unit* const end = units + count;
    Unit* in = zero_units::FindZero(units, end);
    Unit* out = in;
    while (in != end) {
        while (in != end && *in == Unit{0})
            ++in;
        Unit* const runEnd = zero_units::FindZero(in, end);
        out = std::copy(in, runEnd, out);
        in = runEnd;
    }
    return static_cast<int32_t>(end - out);
}

