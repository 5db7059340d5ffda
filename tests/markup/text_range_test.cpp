#include <gtest/gtest.h>

#include "markup/text_range.h"
#include "test_support.h"

namespace {

struct RangeCase {
    const char16_t* text;
    int32_t offset;
    int32_t oldLength;
    const char16_t* replacement;
    const char16_t* expected;
};

class ReplaceTable : public testing::TestWithParam<RangeCase> {};

TEST_P(ReplaceTable, Result) {
    const RangeCase& c = GetParam();
    std::u16string text = c.text;
    ReplaceTextRange(text, c.offset, c.oldLength, c.replacement);
    EXPECT_EQ(Narrow(text), Narrow(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    ReplaceTextRange, ReplaceTable,
    testing::Values(RangeCase{u"abcdef", 2, 0, u"XY", u"abXYcdef"},   // insert
                    RangeCase{u"abcdef", 2, 3, u"", u"abf"},          // delete
                    RangeCase{u"abcdef", 6, 0, u"XY", u"abcdefXY"},   // append
                    RangeCase{u"abcdef", 0, 0, u"XY", u"XYabcdef"},   // prepend
                    RangeCase{u"abcdef", 1, 2, u"WXYZ", u"aWXYZdef"}, // longer
                    RangeCase{u"abcdef", 1, 4, u"Z", u"aZf"},         // shorter
                    RangeCase{u"abcdef", 1, 2, u"XY", u"aXYdef"},     // same length
                    RangeCase{u"abcdef", 3, 3, u"XYZ", u"abcXYZ"},    // at the end
                    RangeCase{u"", 0, 0, u"", u""}, RangeCase{u"", 0, 0, u"abc", u"abc"},
                    RangeCase{u"abc", 2, 10, u"Z", u"abZ"}, // range cut to the text
                    RangeCase{u"abc", 9, 0, u"Z", u"abcZ"}));

TEST(ReplaceTextRange, GrowsByHalfPlus128) {
    std::u16string text = u"abc";
    text.shrink_to_fit();
    const size_t newLength = text.capacity() + 1;
    ReplaceTextRange(text, 1, 0, std::u16string(newLength - 3, u'x'));
    EXPECT_EQ(text.size(), newLength);
    EXPECT_GE(text.capacity(), newLength + newLength / 2 + 128);
    EXPECT_EQ(text.front(), u'a');
    EXPECT_EQ(text.substr(text.size() - 2), u"bc");
}

TEST(ReplaceTextRange, KeepsTheBufferWhileItFits) {
    std::u16string text = u"abc";
    text.reserve(100);
    const char16_t* buffer = text.data();
    for (int i = 0; i < 20; ++i)
        ReplaceTextRange(text, 1, 0, u"xy");
    EXPECT_EQ(text.data(), buffer);
    EXPECT_EQ(text.size(), 43u);
}

} // namespace
