#include "markup/escape.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

struct EscapeCase {
    std::u16string text;
    unsigned flags;
    std::u16string expected;
};

const std::vector<EscapeCase> kEscapeCases = {
    {u"", 0, u""},
    {u"plain text", 0, u"plain text"},
    {u"a<b & \"c\"", 0, u"a&lt;b &amp; \"c\""},
    {u"a<b & \"c\"", ESCF_QUOTES, u"a&lt;b &amp; &quot;c&quot;"},
    {u"it's > that", 0, u"it's &gt; that"},
    {u"it's > that", ESCF_QUOTES, u"it&apos;s &gt; that"},
    {u"<&>'\"", ESCF_QUOTES, u"&lt;&amp;&gt;&apos;&quot;"},
    // References already in the text are escaped again without ESCF_KEEPREFS.
    {u"&lt;", 0, u"&amp;lt;"},
    {u"&amp;", 0, u"&amp;amp;"},
    // Kept references.
    {u"&lt;", ESCF_KEEPREFS, u"&lt;"},
    {u"&#x41;", ESCF_KEEPREFS, u"&#x41;"},
    {u"&#65;", ESCF_KEEPREFS, u"&#65;"},
    {u"&my-ref.1;", ESCF_KEEPREFS, u"&my-ref.1;"},
    {u"&_a:b;", ESCF_KEEPREFS, u"&_a:b;"},
    {u"&:x;", ESCF_KEEPREFS, u"&:x;"},
    {u"&\u00e9t\u00e9;", ESCF_KEEPREFS, u"&\u00e9t\u00e9;"},
    {u"&a\u4e2d;", ESCF_KEEPREFS, u"&a\u4e2d;"},
    {u"&#;", ESCF_KEEPREFS, u"&#;"},
    {u"&\u0080;&a\u0080;", ESCF_KEEPREFS, u"&\u0080;&a\u0080;"},
    {u"&\u007f;&a\u007f;", ESCF_KEEPREFS, u"&amp;\u007f;&amp;a\u007f;"},
    {u"x&lt;y&gt;z", ESCF_KEEPREFS, u"x&lt;y&gt;z"},
    {u"&quot;\"", ESCF_KEEPREFS | ESCF_QUOTES, u"&quot;&quot;"},
    // Not a reference: the ampersand is escaped and the walk goes on after it.
    {u"& x;", ESCF_KEEPREFS, u"&amp; x;"},
    {u"&;", ESCF_KEEPREFS, u"&amp;;"},
    {u"&a b;", ESCF_KEEPREFS, u"&amp;a b;"},
    {u"&-a;", ESCF_KEEPREFS, u"&amp;-a;"},
    {u"&1a;", ESCF_KEEPREFS, u"&amp;1a;"},
    {u"&a", ESCF_KEEPREFS, u"&amp;a"},
    {u"&", ESCF_KEEPREFS, u"&amp;"},
    {u"&a<b;", ESCF_KEEPREFS, u"&amp;a&lt;b;"},
    {u"&a&b;", ESCF_KEEPREFS, u"&amp;a&b;"},
    {u"&a'b;", ESCF_KEEPREFS | ESCF_QUOTES, u"&amp;a&apos;b;"},
    // Other bits are ignored.
    {u"<'&lt;>", 0xFEF7, u"&lt;'&amp;lt;&gt;"},
    // Line ends, tabs and characters outside ASCII are copied as they are.
    {u"a\r\n\tb\u00e9\u20ac\U0001F600", ESCF_QUOTES, u"a\r\n\tb\u00e9\u20ac\U0001F600"},
    // The text ends at its first zero unit.
    {std::u16string(u"a<\0b>", 5), 0, u"a&lt;"},
};

TEST(EscapeMarkup, Cases) {
    for (const EscapeCase& c : kEscapeCases) {
        SCOPED_TRACE(testing::Message()
                     << "flags " << c.flags << " case " << (&c - kEscapeCases.data()));
        EXPECT_EQ(EscapeMarkup(c.text, c.flags), c.expected);
    }
}

TEST(EscapeMarkup, GrowsBeyondTheFirstReservation) {
    const std::u16string lessThans(1000, u'<');
    std::u16string expected;
    for (int i = 0; i < 1000; ++i)
        expected += u"&lt;";
    EXPECT_EQ(EscapeMarkup(lessThans, 0), expected);

    // A kept reference longer than the reservation of a short text.
    const std::u16string longRef = u"&" + std::u16string(200, u'r') + u";";
    EXPECT_EQ(EscapeMarkup(u"<" + longRef, ESCF_KEEPREFS), u"&lt;" + longRef);
}

// Random text built from markup characters, references, line ends, non-ASCII characters and
// surrogate pairs.
std::vector<std::u16string> GeneratedTexts() {
    const std::vector<std::u16string> pieces = {
        u"<",    u"&",     u">",        u"'",        u"\"",         u";",
        u"#",    u"x",     u"a",        u"Z",        u"1",          u" ",
        u"\r\n", u"\t",    u"\u00e9",   u"\u20ac",   u"\U0001F600", u"\U0010FFFF",
        u"&lt;", u"&#65;", u"&eacute;", u"&#x1F600;"};
    std::mt19937 random(12345);
    std::uniform_int_distribution<size_t> pieceCount(0, 40);
    std::uniform_int_distribution<size_t> pick(0, pieces.size() - 1);
    std::vector<std::u16string> texts;
    for (int n = 0; n < 500; ++n) {
        std::u16string text;
        for (size_t count = pieceCount(random); count > 0; --count)
            text += pieces[pick(random)];
        texts.push_back(text);
    }
    return texts;
}

TEST(EscapeMarkup, RoundTripsThroughUnescape) {
    for (const std::u16string& text : GeneratedTexts()) {
        for (unsigned flags : {0u, ESCF_QUOTES}) {
            const std::u16string escaped = EscapeMarkup(text, flags);
            EXPECT_EQ(escaped.find_first_of(flags ? u"<>'\"" : u"<>"), std::u16string::npos);
            EXPECT_EQ(UnescapeMarkup(escaped.c_str(), -1), text);
            EXPECT_EQ(UnescapeMarkup(escaped.data(), static_cast<int>(escaped.size())), text);
        }
    }
}

} // namespace
