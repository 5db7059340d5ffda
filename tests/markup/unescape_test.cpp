#include "markup/escape.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct UnescapeCase {
    std::u16string text;
    std::u16string expected;
};

const std::vector<UnescapeCase> kUnescapeCases = {
    {u"", u""},
    {u"no references at all \u00e9\U0001F600", u"no references at all \u00e9\U0001F600"},
    // Named references, matched without regard to case.
    {u"&lt;&GT;&amp;&quot;&apos;", u"<>&\"'"},
    {u"&Lt;&aPoS;", u"<'"},
    {u"a&lt;b&gt;c", u"a<b>c"},
    {u"&amp;lt;", u"&lt;"},
    {u"&thetasym;", u"\u03d1"},
    {u"&euro;&nbsp;&zwnj;&diams;", u"\u20ac\u00a0\u200c\u2666"},
    // Names two entities share apart from case follow the reference's spelling.
    {u"&eacute;&Eacute;&EACUTE;&eAcute;", u"\u00e9\u00c9\u00c9\u00c9"},
    {u"&dagger;&Dagger;&darr;&dArr;", u"\u2020\u2021\u2193\u21d3"},
    // Numeric references.
    {u"&#65;&#x41;&#X41;", u"AAA"},
    {u"&#x1F600;", u"\U0001F600"},
    {u"&#x10FFFF;", u"\U0010FFFF"},
    {u"&#xFFFF;&#xE000;&#xD7FF;", u"\uFFFF\uE000\uD7FF"},
    {u"&#65abc;", u"A"},
    {u"&#x41g;", u"A"},
    {u"&#00000065;", u"A"},
    // Read as wcstol reads: leading blanks, sign, a "0x" in hexadecimal.
    {u"&# 65;&#\t66;&#+67;", u"ABC"},
    {u"&#x 41;&#x+42;&#x0x43;&#X0X44;", u"ABCD"},
    // Not a reference: copied as it stands.
    {u"&#0;", u"&#0;"},
    {u"&#x0;", u"&#x0;"},
    {u"&#;", u"&#;"},
    {u"&#x;", u"&#x;"},
    {u"&#abc;", u"&#abc;"},
    {u"&#x0x;&#x0xg;&#0x41;", u"&#x0x;&#x0xg;&#0x41;"},
    {u"&#\u0080;&#x4\u0080;", u"&#\u0080;&#x4\u0080;"},
    {u"&;", u"&;"},
    {u"&nosuch;", u"&nosuch;"},
    {u"a & b", u"a & b"},
    {u"&lt", u"&lt"},
    {u"&", u"&"},
    {u"&&lt;", u"&<"},
    {u"&a&lt;", u"&a<"},
    {u"& lt;", u"& lt;"},
    {u"&abcdefghi;", u"&abcdefghi;"},   // nine characters, no such entity
    {u"&abcdefghij;", u"&abcdefghij;"}, // ten characters
    {u"&thetasyms;", u"&thetasyms;"},
    {u"&#000000065;", u"&#000000065;"}, // ten characters
    {u"&\u00e9;", u"&\u00e9;"},
    {u"&l\u00e9t;", u"&l\u00e9t;"},
    // Values that are not Unicode scalar values are not references either.
    {u"&#xD800;&#xDBFF;&#xDC00;&#xDFFF;", u"&#xD800;&#xDBFF;&#xDC00;&#xDFFF;"},
    {u"&#55296;", u"&#55296;"},
    {u"&#x110000;&#1114112;", u"&#x110000;&#1114112;"},
    {u"&#-65;&#x-41;&#-0;", u"&#-65;&#x-41;&#-0;"},
    {u"&#99999999;&#xfffffff;", u"&#99999999;&#xfffffff;"},
};

TEST(UnescapeMarkup, Cases) {
    for (const UnescapeCase& c : kUnescapeCases) {
        SCOPED_TRACE(testing::Message() << "case " << (&c - kUnescapeCases.data()));
        EXPECT_EQ(UnescapeMarkup(c.text.c_str(), -1), c.expected);
        EXPECT_EQ(UnescapeMarkup(c.text.data(), static_cast<int>(c.text.size())), c.expected);
    }
}

struct LengthCase {
    std::u16string text;
    int length;
    std::u16string expected;
};

TEST(UnescapeMarkup, ReadsOnlyTheGivenLength) {
    const std::vector<LengthCase> cases = {
        {u"a&lt;b", 5, u"a<"},
        {u"a&lt;b", 4, u"a&lt"}, // the ";" lies outside
        {u"a&lt;b", 0, u""},
        {u"&#65;&#66;", 5, u"A"},
        {std::u16string(u"a\0&lt;", 6), 6, std::u16string(u"a\0<", 3)},
        {std::u16string(u"a&lt;\0&gt;", 10), -1, u"a<"},
        {std::u16string(u"a&lt;\0&gt;", 10), -5, u"a<"},
    };
    for (const LengthCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "length " << c.length);
        EXPECT_EQ(UnescapeMarkup(c.text.data(), c.length), c.expected);
    }
    EXPECT_EQ(UnescapeMarkup(nullptr, -1), u"");
}

// The result is reserved once at the input's length and never grows: its capacity is exactly
// that of one reservation.
TEST(UnescapeMarkup, ReservesOnceAtTheInputLength) {
    std::u16string text;
    for (int i = 0; i < 200; ++i)
        text += u"x&lt;&#x1F600;&nosuch;\u00e9&";
    for (size_t length : {size_t{0}, size_t{40}, size_t{333}, text.size()}) {
        SCOPED_TRACE(length);
        std::u16string oneReservation;
        oneReservation.reserve(length);
        const std::u16string result = UnescapeMarkup(text.data(), static_cast<int>(length));
        EXPECT_LT(result.size(), length + 1);
        EXPECT_EQ(result.capacity(), oneReservation.capacity());
    }
}

} // namespace
