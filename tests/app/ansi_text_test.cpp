#include "app/ansi_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The tests run in the C locale, whose multi-byte encoding stands for UTF-8 here.
TEST(AnsiText, RoundTripsThroughTheDefaultEncoding) {
    const std::u16string text = u"/opt/程序/1.0.1/main";
    bool lossy = true;
    const std::string bytes = Utf16ToAnsi(text, &lossy);
    EXPECT_FALSE(lossy);
    EXPECT_EQ(bytes, "/opt/\xE7\xA8\x8B\xE5\xBA\x8F/1.0.1/main");
    EXPECT_EQ(AnsiToUtf16(bytes), text);
    EXPECT_EQ(AnsiToUtf16(""), u"");
    EXPECT_EQ(Utf16ToAnsi(u"", &lossy), "");
    EXPECT_FALSE(lossy);
}

TEST(AnsiText, InvalidBytesBecomeReplacementCharacters) {
    EXPECT_EQ(AnsiToUtf16("a\xFF"
                          "b"),
              u"a\uFFFDb");
}

} // namespace
