#include "app/base64.h"

#include <cstdint>
#include <utility>

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int SextetOf(char c) {
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

} // namespace

std::string EncodeBase64(const std::string& bytes) {
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    for (size_t i = 0; i < bytes.size(); i += 3) {
        const size_t count = bytes.size() - i < 3 ? bytes.size() - i : 3;
        uint32_t group = 0;
        for (size_t j = 0; j < 3; ++j)
            group = group << 8 | (j < count ? static_cast<unsigned char>(bytes[i + j]) : 0u);
        for (size_t j = 0; j < 4; ++j)
            text += j <= count ? kAlphabet[group >> (18 - 6 * j) & 0x3F] : '=';
    }
    return text;
}

bool DecodeBase64(std::string_view text, std::string& bytes) {
    if (text.size() % 4 != 0)
        return false;
    size_t padding = 0;
    while (padding < 2 && padding < text.size() && text[text.size() - 1 - padding] == '=')
        ++padding;
    std::string decoded;
    decoded.reserve(text.size() / 4 * 3);
    uint32_t bits = 0;
    int bitCount = 0;
    for (size_t i = 0; i < text.size() - padding; ++i) {
        const int sextet = SextetOf(text[i]);
        if (sextet < 0)
            return false;
        bits = (bits << 6 | static_cast<uint32_t>(sextet)) & 0xFFFFFF;
        bitCount += 6;
        if (bitCount >= 8) {
            bitCount -= 8;
            decoded += static_cast<char>(bits >> bitCount & 0xFF);
        }
    }
    // The bits left over after the last whole byte must be zero (one encoding per byte string).
    if ((bits & ((1u << bitCount) - 1)) != 0)
        return false;
    bytes = std::move(decoded);
    return true;
}
