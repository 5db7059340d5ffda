#include "platform/utf8_convert.h"

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr char16_t kReplacement = 0xFFFD;

struct Sequence {
    char32_t codePoint;
    size_t length; // bytes consumed: the whole sequence, or its maximal invalid subpart
    bool valid;
};

// Reads one sequence whose lead byte is at or above 0x80. The ranges for the second byte
// exclude overlong forms, encoded surrogates and values above U+10FFFF.
Sequence ReadSequence(const unsigned char* p, const unsigned char* end) {
    const unsigned lead = p[0];
    size_t trail;
    unsigned low = 0x80;
    unsigned high = 0xBF;
    char32_t codePoint;
    if (lead >= 0xC2 && lead <= 0xDF) {
        trail = 1;
        codePoint = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        trail = 2;
        codePoint = lead & 0x0F;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        trail = 3;
        codePoint = lead & 0x07;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    } else {
        return {0, 1, false};
    }
    size_t i = 1;
    for (; i <= trail; ++i) {
        if (p + i >= end || p[i] < low || p[i] > high)
            return {0, i, false};
        codePoint = (codePoint << 6) | (p[i] & 0x3Fu);
        low = 0x80;
        high = 0xBF;
    }
    return {codePoint, i, true};
}

bool HasNonAscii8(const unsigned char* p) {
    uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return (word & 0x8080808080808080ull) != 0;
}

bool HasNonAscii4(const char16_t* p) {
    uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return (word & 0xFF80FF80FF80FF80ull) != 0;
}

// Output that either counts (kWrite false) or writes within a capacity.
template <typename Unit, bool kWrite> class Output {
  public:
    Output(Unit* dest, size_t capacity) : m_dest(dest), m_capacity(capacity) {}

    // False when n more units do not fit.
    bool Reserve(size_t n) const { return !kWrite || m_count + n <= m_capacity; }
    void Put(Unit unit) {
        if constexpr (kWrite)
            m_dest[m_count] = unit;
        ++m_count;
    }
    size_t Count() const { return m_count; }
    // Where the next unit goes; then Skip(n) counts n units written there.
    Unit* Next() const { return m_dest + m_count; }
    void Skip(size_t n) { m_count += n; }

  private:
    Unit* m_dest;
    size_t m_capacity;
    size_t m_count = 0;
};

template <bool kWrite>
size_t Utf8ToUtf16Impl(const char* src, size_t length, char16_t* dest, size_t capacity) {
    const auto* p = reinterpret_cast<const unsigned char*>(src);
    const unsigned char* const end = p + length;
    Output<char16_t, kWrite> out(dest, capacity);
    while (p < end) {
#if defined(__SSE2__)
        // ASCII in blocks of 16 bytes, widened to 16 units.
        for (; end - p >= 16; p += 16) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            if (_mm_movemask_epi8(bytes) != 0)
                break;
            if (!out.Reserve(16))
                return 0;
            if constexpr (kWrite) {
                const __m128i zero = _mm_setzero_si128();
                auto* to = reinterpret_cast<__m128i*>(out.Next());
                _mm_storeu_si128(to, _mm_unpacklo_epi8(bytes, zero));
                _mm_storeu_si128(to + 1, _mm_unpackhi_epi8(bytes, zero));
            }
            out.Skip(16);
        }
#endif
        while (end - p >= 8 && !HasNonAscii8(p)) {
            if (!out.Reserve(8))
                return 0;
            for (int i = 0; i < 8; ++i)
                out.Put(p[i]);
            p += 8;
        }
        if (p == end)
            break;
        if (*p < 0x80) {
            if (!out.Reserve(1))
                return 0;
            out.Put(*p++);
            continue;
        }
        const Sequence seq = ReadSequence(p, end);
        p += seq.length;
        if (!seq.valid) {
            if (!out.Reserve(1))
                return 0;
            out.Put(kReplacement);
        } else if (seq.codePoint < 0x10000) {
            if (!out.Reserve(1))
                return 0;
            out.Put(static_cast<char16_t>(seq.codePoint));
        } else {
            if (!out.Reserve(2))
                return 0;
            const char32_t offset = seq.codePoint - 0x10000;
            out.Put(static_cast<char16_t>(0xD800 | (offset >> 10)));
            out.Put(static_cast<char16_t>(0xDC00 | (offset & 0x3FF)));
        }
    }
    return out.Count();
}

template <bool kWrite>
size_t Utf16ToUtf8Impl(const char16_t* src, size_t length, char* dest, size_t capacity) {
    const char16_t* p = src;
    const char16_t* const end = src + length;
    Output<char, kWrite> out(dest, capacity);
    while (p < end) {
        while (end - p >= 4 && !HasNonAscii4(p)) {
            if (!out.Reserve(4))
                return 0;
            for (int i = 0; i < 4; ++i)
                out.Put(static_cast<char>(p[i]));
            p += 4;
        }
        if (p == end)
            break;
        char32_t c = *p++;
        if (c < 0x80) {
            if (!out.Reserve(1))
                return 0;
            out.Put(static_cast<char>(c));
            continue;
        }
        if (c >= 0xD800 && c <= 0xDFFF) {
            if (c <= 0xDBFF && p < end && *p >= 0xDC00 && *p <= 0xDFFF)
                c = 0x10000 + ((c - 0xD800) << 10) + (*p++ - 0xDC00u);
            else
                c = kReplacement;
        }
        if (c < 0x800) {
            if (!out.Reserve(2))
                return 0;
            out.Put(static_cast<char>(0xC0 | (c >> 6)));
        } else if (c < 0x10000) {
            if (!out.Reserve(3))
                return 0;
            out.Put(static_cast<char>(0xE0 | (c >> 12)));
            out.Put(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        } else {
            if (!out.Reserve(4))
                return 0;
            out.Put(static_cast<char>(0xF0 | (c >> 18)));
            out.Put(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.Put(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        }
        out.Put(static_cast<char>(0x80 | (c & 0x3F)));
    }
    return out.Count();
}

} // namespace

size_t Utf8ToUtf16(const char* src, size_t length, char16_t* dest, size_t capacity) {
    return dest ? Utf8ToUtf16Impl<true>(src, length, dest, capacity)
                : Utf8ToUtf16Impl<false>(src, length, nullptr, 0);
}

size_t Utf16ToUtf8(const char16_t* src, size_t length, char* dest, size_t capacity) {
    return dest ? Utf16ToUtf8Impl<true>(src, length, dest, capacity)
                : Utf16ToUtf8Impl<false>(src, length, nullptr, 0);
}
