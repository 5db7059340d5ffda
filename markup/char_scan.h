#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

// Searches of zero-terminated 16-bit text. Units before limit may be read in blocks of
// several at once; a limit below 0 means the length is unknown and units are read one at a
// time up to the zero. On x86-64 blocks are 8 units (SSE2), and 16 (AVX2) past the first
// block where the processor has AVX2.

namespace char_scan {

#if defined(__SSE2__)
// One bit pair per unit of the 8 at p that is one of Cs.
template <char16_t... Cs> [[gnu::always_inline]] inline unsigned Matches8(const char16_t* p) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    __m128i hit = _mm_setzero_si128();
    ((hit = _mm_or_si128(hit, _mm_cmpeq_epi16(block, _mm_set1_epi16(static_cast<short>(Cs))))),
     ...);
    return static_cast<unsigned>(_mm_movemask_epi8(hit));
}

// One bit pair per unit of the 8 at p that is zero or one of Cs.
template <char16_t... Cs> [[gnu::always_inline]] inline unsigned Hits8(const char16_t* p) {
    return Matches8<u'\0', Cs...>(p);
}

inline const bool kHasAvx2 = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
}();
#endif

// The search from i on in blocks of 8, then unit by unit.
template <char16_t... Cs> int32_t FindInTail(const char16_t* text, int32_t i, int32_t limit) {
#if defined(__SSE2__)
    for (; i + 8 <= limit; i += 8) {
        if (const unsigned mask = Hits8<Cs...>(text + i))
            return i + static_cast<int32_t>(__builtin_ctz(mask) / 2);
    }
#else
    (void)limit;
#endif
    while (text[i] != 0 && ((text[i] != Cs) && ...))
        ++i;
    return i;
}

#if defined(__SSE2__)
template <char16_t... Cs>
[[gnu::target("avx2")]] int32_t FindInBlocksOf16(const char16_t* text, int32_t i, int32_t limit) {
    for (; i + 16 <= limit; i += 16) {
        const __m256i block = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(text + i));
        __m256i hit = _mm256_cmpeq_epi16(block, _mm256_setzero_si256());
        ((hit = _mm256_or_si256(
              hit, _mm256_cmpeq_epi16(block, _mm256_set1_epi16(static_cast<short>(Cs))))),
         ...);
        if (const auto mask = static_cast<unsigned>(_mm256_movemask_epi8(hit)))
            return i + static_cast<int32_t>(__builtin_ctz(mask) / 2);
    }
    return FindInTail<Cs...>(text, i, limit);
}
#endif

} // namespace char_scan

// The offset of the first unit at or after i that is zero or one of Cs. The first block is
// searched inline: most runs end in it.
template <char16_t... Cs> int32_t FindFirstOf(const char16_t* text, int32_t i, int32_t limit) {
#if defined(__SSE2__)
    if (i + 8 <= limit) {
        if (const unsigned mask = char_scan::Hits8<Cs...>(text + i))
            return i + static_cast<int32_t>(__builtin_ctz(mask) / 2);
        i += 8;
        if (char_scan::kHasAvx2 && i + 16 <= limit)
            return char_scan::FindInBlocksOf16<Cs...>(text, i, limit);
    }
#endif
    return char_scan::FindInTail<Cs...>(text, i, limit);
}

// The offset of the first unit at or after i that is not one of Cs (none of which is zero).
template <char16_t... Cs> int32_t FindFirstNotOf(const char16_t* text, int32_t i, int32_t limit) {
#if defined(__SSE2__)
    for (; i + 8 <= limit; i += 8) {
        if (const unsigned mask = ~char_scan::Matches8<Cs...>(text + i) & 0xFFFFu)
            return i + static_cast<int32_t>(__builtin_ctz(mask) / 2);
    }
#else
    (void)limit;
#endif
    while (((text[i] == Cs) || ...))
        ++i;
    return i;
}

// The offset of the first unit at or after i and before length that is one of Cs, or length;
// nothing at or after length is read, so the units need no zero after them.
template <char16_t... Cs> int32_t FindInSpan(const char16_t* text, int32_t i, int32_t length) {
#if defined(__SSE2__)
    for (; i + 8 <= length; i += 8) {
        if (const unsigned mask = char_scan::Matches8<Cs...>(text + i))
            return i + static_cast<int32_t>(__builtin_ctz(mask) / 2);
    }
#endif
    while (i < length && ((text[i] != Cs) && ...))
        ++i;
    return i;
}

namespace char_scan {

#if defined(__SSE2__)
[[gnu::target("avx2")]] inline size_t FindZeroInBlocksOf32(const char16_t* text, size_t i,
                                                           size_t length) {
    const __m256i zero = _mm256_setzero_si256();
    for (; i + 32 <= length; i += 32) {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(text + i));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(text + i + 16));
        const __m256i hit = _mm256_or_si256(_mm256_cmpeq_epi16(a, zero), _mm256_cmpeq_epi16(b, zero));
        if (!_mm256_testz_si256(hit, hit))
            return i;
    }
    return i;
}
#endif

} // namespace char_scan

// The offset of the first zero among the length units of text, or length; nothing at or
// after length is read.
inline size_t FindZero(const char16_t* text, size_t length) {
    size_t i = 0;
#if defined(__SSE2__)
    if (char_scan::kHasAvx2)
        i = char_scan::FindZeroInBlocksOf32(text, 0, length);
    const __m128i zero = _mm_setzero_si128();
    for (; i + 8 <= length; i += 8) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i));
        if (const auto mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(block, zero))))
            return i + __builtin_ctz(mask) / 2;
    }
#endif
    while (i < length && text[i] != 0)
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
