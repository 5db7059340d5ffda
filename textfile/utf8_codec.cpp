#include "textfile/utf8_codec.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

int32_t DecodeUtf8(const char*& cursor, const char* end) {
    if (cursor >= end)
        return -1;
    const auto lead = static_cast<unsigned char>(*cursor++);
    if (lead < 0x80)
        return lead;
    int trail;
    int32_t value;
    // A continuation byte (0x80-0xBF) counts as the lead of a two-byte sequence.
    if (lead < 0xE0) {
        trail = 1;
        value = lead & 0x1F;
    } else if (lead < 0xF0) {
        trail = 2;
        value = lead & 0x0F;
    } else if (lead < 0xF8) {
        trail = 3;
        value = lead & 0x07;
    } else {
        return -1;
    }
    for (; trail > 0; --trail) {
        if (cursor >= end)
            return -1;
        const auto byte = static_cast<unsigned char>(*cursor);
        if (byte < 0x80)
            return -1;
        value = (value << 6) | (byte & 0x3F);
        ++cursor;
    }
    return value;
}

void EncodeUtf8(uint32_t codePoint, char* dest, int& position) {
    char bytes[4];
    int count;
    if ((codePoint & ~0x7Fu) == 0) {
        bytes[0] = static_cast<char>(codePoint);
        count = 1;
    } else if ((codePoint & ~0x7FFu) == 0) {
        bytes[0] = static_cast<char>(0xC0 | ((codePoint >> 6) & 0x1F));
        bytes[1] = static_cast<char>(0x80 | (codePoint & 0x3F));
        count = 2;
    } else if ((codePoint & ~0xFFFFu) == 0) {
        bytes[0] = static_cast<char>(0xE0 | ((codePoint >> 12) & 0x0F));
        bytes[1] = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        bytes[2] = static_cast<char>(0x80 | (codePoint & 0x3F));
        count = 3;
    } else {
        bytes[0] = static_cast<char>(0xF0 | ((codePoint >> 18) & 0x07));
        bytes[1] = static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        bytes[2] = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        bytes[3] = static_cast<char>(0x80 | (codePoint & 0x3F));
        count = 4;
    }
    if (dest) {
        for (int i = 0; i < count; ++i)
            dest[position + i] = bytes[i];
    }
    position += count;
}

bool IsUtf8(const char* bytes, int length) {
    Utf8Check check;
    check.Feed(bytes, length > 0 ? static_cast<size_t>(length) : 0);
    return check.Valid();
}

// The walk of IsUtf8, one byte at a time with the state kept between pieces: a lead byte as
// DecodeUtf8 classifies it, then continuation bytes of 0x80 or more; ASCII in blocks.
void Utf8Check::Feed(const char* bytes, size_t length) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes);
    size_t i = 0;
    while (i < length && !m_failed && !m_ended) {
        const unsigned byte = p[i];
        if (m_pending > 0) {
            m_failed = byte < 0x80;
            --m_pending;
            ++i;
        } else if (byte == 0) {
            m_ended = true;
        } else if (byte < 0x80) {
            ++i;
#if defined(__SSE2__)
            for (; i + 16 <= length; i += 16) {
                const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
                const __m128i zero = _mm_cmpeq_epi8(block, _mm_setzero_si128());
                if (_mm_movemask_epi8(_mm_or_si128(block, zero)) != 0)
                    break;
            }
#endif
        } else if (byte < 0xF8) {
            m_pending = byte < 0xE0 ? 1 : byte < 0xF0 ? 2 : 3;
            ++i;
        } else {
            m_failed = true;
        }
    }
}
