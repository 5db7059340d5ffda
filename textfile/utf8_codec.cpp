#include "textfile/utf8_codec.h"

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
    const char* cursor = bytes;
    const char* const end = bytes + length;
    while (cursor < end && *cursor != 0) {
        if (static_cast<unsigned char>(*cursor) < 0x80) {
            ++cursor;
            continue;
        }
        if (DecodeUtf8(cursor, end) < 0)
            return false;
    }
    return true;
}
