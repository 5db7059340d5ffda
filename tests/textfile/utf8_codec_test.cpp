#include "textfile/utf8_codec.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct DecodeCase {
    std::string bytes;
    int32_t codePoint;
    size_t consumed;
};

TEST(DecodeUtf8, ReadsOneSequencePermissively) {
    const DecodeCase cases[] = {
        {"A", 0x41, 1},
        {"\xC3\xA9", 0xE9, 2},
        {"\xE4\xB8\xAD", 0x4E2D, 3},
        {"\xF0\x9F\x98\x80", 0x1F600, 4},
        {"\xC0\x80", 0, 2},                // overlong form accepted
        {"\xED\xA0\x80", 0xD800, 3},       // surrogate accepted
        {"\xF7\xBF\xBF\xBF", 0x1FFFFF, 4}, // above U+10FFFF accepted
        {"\x80\x80", 0, 2},                // stray continuation read as a two-byte lead
        {"\xBF\xBF", 0x7FF, 2},
        {"\xE4\x41", -1, 1}, // the byte below 0x80 is not consumed
        {"\xE4\xB8", -1, 2}, // cut off by the end
        {"\xF8\x80\x80\x80", -1, 1},
        {"\xFF", -1, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.bytes));
        const char* cursor = c.bytes.data();
        EXPECT_EQ(DecodeUtf8(cursor, c.bytes.data() + c.bytes.size()), c.codePoint);
        EXPECT_EQ(static_cast<size_t>(cursor - c.bytes.data()), c.consumed);
    }
}

struct EncodeCase {
    uint32_t codePoint;
    std::string bytes;
};

TEST(EncodeUtf8, WritesByTheBitsThatAreSet) {
    const EncodeCase cases[] = {
        {0x41, "A"},
        {0x7F, "\x7F"},
        {0x80, "\xC2\x80"},
        {0xE9, "\xC3\xA9"},
        {0x7FF, "\xDF\xBF"},
        {0x800, "\xE0\xA0\x80"},
        {0xD800, "\xED\xA0\x80"},
        {0xFFFF, "\xEF\xBF\xBF"},
        {0x1F600, "\xF0\x9F\x98\x80"},
        {0x10FFFF, "\xF4\x8F\xBF\xBF"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.codePoint);
        char buffer[8] = {};
        int position = 2;
        EncodeUtf8(c.codePoint, buffer, position);
        EXPECT_EQ(position, 2 + static_cast<int>(c.bytes.size()));
        EXPECT_EQ(std::string(buffer + 2, c.bytes.size()), c.bytes);
        int measured = 0;
        EncodeUtf8(c.codePoint, nullptr, measured);
        EXPECT_EQ(measured, static_cast<int>(c.bytes.size()));
    }
}

struct ValidityCase {
    std::string bytes;
    bool valid;
};

TEST(IsUtf8, WalksUntilTheEndOrAZeroByte) {
    const ValidityCase cases[] = {
        {"", true},
        {"plain ascii", true},
        {"\xE4\xB8\xAD", true},
        {"\xE4\xB8", false},
        {"\xF8", false},
        {"\x80\x41", false},
        {"\x80\x80", true},
        {std::string("\x41\x00\xFF", 3), true},
        {"a\xC3\xA9z", true},
        {"a\xE9z", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.bytes));
        EXPECT_EQ(IsUtf8(c.bytes.data(), static_cast<int>(c.bytes.size())), c.valid);
    }
}

} // namespace
