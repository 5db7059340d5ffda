#include "app/version.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr int32_t kMax = 2147483647;
constexpr int32_t kMin = -2147483647 - 1;

struct ParseCase {
    std::u16string text;
    int32_t first, second, third;
};

const std::vector<ParseCase> kParseCases = {
    {u"1.2.3", 1, 2, 3},
    {u"1.2", 1, 2, 0},
    {u"7", 7, 0, 0},
    {u"", 0, 0, 0},
    {u"1.2.3.4", 1, 2, 3},
    {u"1.2.3.4.5.x", 1, 2, 3},
    {u"1..3", 1, 0, 3},
    {u"..", 0, 0, 0},
    {u"1.2.", 1, 2, 0},
    {u".5", 0, 5, 0},
    {u" 2.0.0", 2, 0, 0},
    {u"\t\r\n\v\f3. 4.\t5", 3, 4, 5},
    {u"1.2.3b", 1, 2, 3},
    {u"a1.2.3", 0, 2, 3},
    {u"v1.0.0", 0, 0, 0},
    {u"10.20.30", 10, 20, 30},
    {u"007.08.0009", 7, 8, 9},
    {u"-1.0.0", -1, 0, 0},
    {u"+4.-5.+6", 4, -5, 6},
    {u"--1.+-2.-+3", 0, 0, 0},
    {u"- 1", 0, 0, 0},
    {u"1 2.3", 1, 3, 0},
    {u"1x.2y.3z", 1, 2, 3},
    // Blanks after the sign or non-ASCII digits end the number.
    {u"\u00a01.2", 0, 2, 0},
    {u"\uff11.2", 0, 2, 0},
    // Beyond 32 bits: saturated.
    {u"2147483647.2147483648.99999999999999999999", kMax, kMax, kMax},
    {u"-2147483648.-2147483649.-99999999999999999999", kMin, kMin, kMin},
    {u"00000000000000000000000000000001", 1, 0, 0},
    // A zero unit is an ordinary non-digit.
    {std::u16string(u"1\0"
                    u"9.2",
                    5),
     1, 2, 0},
};

TEST(ParseVersion, PartsAndKeptText) {
    for (const ParseCase& c : kParseCases) {
        SCOPED_TRACE(std::string(c.text.begin(), c.text.end()));
        const VersionTriple v = ParseVersion(c.text);
        EXPECT_EQ(v.first, c.first);
        EXPECT_EQ(v.second, c.second);
        EXPECT_EQ(v.third, c.third);
        EXPECT_EQ(v.text, c.text);
    }
}

struct CompareCase {
    std::u16string a;
    std::u16string b;
    bool older; // a < b
};

const std::vector<CompareCase> kCompareCases = {
    {u"1.0.0", u"1.0.1", true},
    {u"1.0.1", u"1.0.0", false},
    {u"1.0.3", u"1.0.4", true},
    {u"1.9.9", u"1.10.0", true},
    {u"1.10.0", u"1.9.9", false},
    {u"1.2.9", u"1.3.0", true},
    {u"1.99.99", u"2.0.0", true},
    {u"2.0.0", u"1.99.99", false},
    {u"1.2.3", u"1.2.3", false},
    {u"1.2.3", u"1.2.3.4", false},
    {u"1.2.3.4", u"1.2.3", false},
    {u"1.2", u"1.2.0", false},
    {u"1.2.0", u"1.2", false},
    {u" 1.2.3", u"1.2.3b", false},
    {u"-1.0.0", u"0.0.0", true},
    {u"0.0.0", u"-1.0.0", false},
    {u"", u"0.0.1", true},
    {u"", u"", false},
    {u"1.0.0", u"", false},
    {u"1.0.0", u"<html>", false},
    {u"2147483646", u"99999999999", true},
    {u"99999999999", u"2147483647", false},
    {u"-99999999999", u"-2147483647", true},
};

TEST(IsOlderVersion, ComparesPartsAsNumbers) {
    for (const CompareCase& c : kCompareCases) {
        SCOPED_TRACE(std::string(c.a.begin(), c.a.end()) + " vs " +
                     std::string(c.b.begin(), c.b.end()));
        EXPECT_EQ(IsOlderVersion(ParseVersion(c.a), ParseVersion(c.b)), c.older);
    }
}

TEST(IsOlderVersion, NeverOlderThanItself) {
    for (const ParseCase& c : kParseCases) {
        const VersionTriple v = ParseVersion(c.text);
        EXPECT_FALSE(IsOlderVersion(v, v));
    }
}

TEST(IsOlderVersion, KeptTextPlaysNoPart) {
    VersionTriple a = ParseVersion(u"1.0.0");
    VersionTriple b = ParseVersion(u"1.0.0");
    b.text = u"9.9.9";
    EXPECT_FALSE(IsOlderVersion(a, b));
    EXPECT_FALSE(IsOlderVersion(b, a));
    a.third = 1;
    EXPECT_TRUE(IsOlderVersion(b, a));
}

} // namespace
