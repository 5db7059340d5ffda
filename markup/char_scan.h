#pragma once

#include <cstdint>
#include <initializer_list>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Searches of zero-terminated 16-bit text. Units before limit may be read in blocks of
// several at once; a limit below 0 means the length is unknown and units are read one at a
// time up to the zero.

// The offset of the first unit at or after i that is zero or one of Cs.
template <char16_t... Cs> int32_t FindFirstOf(const char16_t* text, int32_t i, int32_t limit) {
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (; i + 8 <= limit; i += 8) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i));
        __m128i hit = _mm_cmpeq_epi16(block, zero);
        ((hit = _mm_or_si128(hit, _mm_cmpeq_epi16(block, _mm_set1_epi16(static_cast<short>(Cs))))),
         ...);
        const auto mask = static_cast<unsigned>(_mm_movemask_epi8(hit));
        if (mask != 0)
            return i + static_cast<int32_t>(__builtin_ctz(mask) / 2);
    }
#else
    (void)limit;
#endif
    while (text[i] != 0 && ((text[i] != Cs) && ...))
        ++i;
    return i;
}

// A set of characters below U+0040, one bit each.
constexpr uint64_t CharSet(std::initializer_list<char16_t> chars) {
    uint64_t set = 0;
    for (const char16_t c : chars)
        set |= uint64_t{1} << c;
    return set;
}

constexpr bool InSet(uint64_t set, char16_t c) {
    return c < 64 && ((set >> c) & 1) != 0;
}

// The offset of the first unit at or after i that lies in set (which must hold the zero).
inline int32_t SkipUntilIn(uint64_t set, const char16_t* text, int32_t i) {
    while (!InSet(set, text[i]))
        ++i;
    return i;
}

// The offset of the first unit at or after i that does not lie in set (without the zero).
inline int32_t SkipWhileIn(uint64_t set, const char16_t* text, int32_t i) {
    while (InSet(set, text[i]))
        ++i;
    return i;
}
