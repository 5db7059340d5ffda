#include "textfile/text_converter.h"

#include "platform/code_page.h"
#include "textfile/encoding_names.h"
#include "textfile/utf8_codec.h"

#include <cstdint>
#include <vector>

namespace {

int KnownOrAnsi(int codePage) {
    return codePage < 0 ? CP_ACP : codePage;
}

bool IsSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDFFF;
}

} // namespace

CTextConverter::CTextConverter(std::u16string fromEncoding, const void* source, int sourceLength)
    : m_strFromEncoding(std::move(fromEncoding)), m_pSource(source), m_nSourceLength(sourceLength) {
}

int CTextConverter::Convert(void* dest, const char16_t* toEncoding) {
    if (toEncoding)
        m_strToEncoding = toEncoding;
    const int to = KnownOrAnsi(CodePageFromName(m_strToEncoding));
    const int from = KnownOrAnsi(CodePageFromName(m_strFromEncoding));
    m_bLossy = false;
    const int capacity = dest ? m_nDestLength : 0;
    if (capacity == 0)
        dest = nullptr;
    int count = 0;
    if (m_pSource && m_nSourceLength > 0) {
        if (from == CP_UTF32_INTERNAL)
            count = FromUtf32(to, dest, capacity);
        else if (from == CP_UTF16)
            count = FromUtf16(to, dest, capacity);
        else
            count = FromBytes(from, to, dest, capacity);
    }
    m_nDestLength = count;
    return count;
}

int CTextConverter::FromUtf32(int to, void* dest, int capacity) const {
    const auto* units = static_cast<const uint32_t*>(m_pSource);
    int count = 0;
    if (to == CP_UTF8) {
        auto* bytes = static_cast<char*>(dest);
        for (int i = 0; i < m_nSourceLength; ++i) {
            int next = count;
            EncodeUtf8(units[i], nullptr, next);
            if (bytes && next > capacity)
                return 0;
            EncodeUtf8(units[i], bytes, count);
        }
        return count;
    }
    if (to != CP_UTF16)
        return 0;
    auto* out = static_cast<char16_t*>(dest);
    for (int i = 0; i < m_nSourceLength; ++i) {
        const uint32_t unit = units[i];
        const int width = (unit >> 16) == 0 ? 1 : 2;
        if (out && count + width > capacity)
            return 0;
        if (out && width == 1) {
            out[count] = static_cast<char16_t>(unit);
        } else if (out) {
            out[count] = static_cast<char16_t>(0xD800 | (((unit - 0x10000) >> 10) & 0x3FF));
            out[count + 1] = static_cast<char16_t>(0xDC00 | (unit & 0x3FF));
        }
        count += width;
    }
    return count;
}

int CTextConverter::FromUtf16(int to, void* dest, int capacity) {
    const auto* units = static_cast<const char16_t*>(m_pSource);
    if (to != CP_UTF32_INTERNAL)
        return Utf16ToMultiByte(to, units, m_nSourceLength, static_cast<char*>(dest), capacity,
                                LossFlagFor(to));
    auto* out = static_cast<uint32_t*>(dest);
    int count = 0;
    for (int i = 0; i < m_nSourceLength; ++i) {
        uint32_t value = units[i];
        if (IsSurrogate(units[i])) {
            if (i + 1 < m_nSourceLength && units[i + 1] != 0) {
                value = (((value & 0x3FFu) << 10) | (units[i + 1] & 0x3FFu)) + 0x10000;
                ++i;
            } else {
                value = u'?';
            }
        }
        if (out && count >= capacity)
            return 0;
        if (out)
            out[count] = value;
        ++count;
    }
    return count;
}

int CTextConverter::FromBytes(int from, int to, void* dest, int capacity) {
    const auto* bytes = static_cast<const char*>(m_pSource);
    if (to == CP_UTF16)
        return MultiByteToUtf16(from, bytes, m_nSourceLength, static_cast<char16_t*>(dest),
                                capacity);
    if (to == CP_UTF32_INTERNAL) {
        if (from != CP_UTF8)
            return 0;
        auto* out = static_cast<uint32_t*>(dest);
        int count = 0;
        const char* cursor = bytes;
        const char* const end = bytes + m_nSourceLength;
        while (cursor < end) {
            const int32_t codePoint = DecodeUtf8(cursor, end);
            if (out && count >= capacity)
                return 0;
            if (out)
                out[count] = codePoint < 0 ? u'?' : static_cast<uint32_t>(codePoint);
            ++count;
        }
        return count;
    }
    std::vector<char16_t> wide(static_cast<size_t>(m_nSourceLength));
    const int wideLength =
        MultiByteToUtf16(from, bytes, m_nSourceLength, wide.data(), m_nSourceLength);
    return Utf16ToMultiByte(to, wide.data(), wideLength, static_cast<char*>(dest), capacity,
                            LossFlagFor(to));
}

bool* CTextConverter::LossFlagFor(int to) {
    return RejectsDefaultCharFlag(to) ? nullptr : &m_bLossy;
}

bool RejectsDefaultCharFlag(int codePage) {
    switch (codePage) {
    case 50220:
    case 50221:
    case 50222:
    case 50225:
    case 50227:
    case 50229:
    case 52936:
    case 54936:
    case 65000:
    case 65001:
        return true;
    default:
        return codePage >= 57002 && codePage <= 57011;
    }
}
