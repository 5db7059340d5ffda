#include <gtest/gtest.h>

#include "markup/xml_doc.h"
#include "test_support.h"

namespace {

struct ReadCase {
    const char16_t* text;
    const char16_t* rootText; // ReadText of the top-level element
};

void PrintTo(const ReadCase& c, std::ostream* os) {
    *os << Narrow(c.text);
}

class ReadRootText : public testing::TestWithParam<ReadCase> {};

TEST_P(ReadRootText, Content) {
    const ReadCase& c = GetParam();
    CXmlDoc doc(c.text);
    const std::u16string text = doc.text;
    const std::u16string report = doc.report;
    EXPECT_EQ(Narrow(doc.ReadText(doc.elements[0].firstChild)), Narrow(c.rootText));
    EXPECT_EQ(doc.text, text);
    EXPECT_EQ(doc.report, report); // entries met while reading nodes are discarded
}

// One-tag elements, elements holding elements and plain spans.
INSTANTIATE_TEST_SUITE_P(
    Spans, ReadRootText,
    testing::Values(ReadCase{u"<v/>", u""}, ReadCase{u"<v a='1'/>", u""}, ReadCase{u"<v>", u""},
                    ReadCase{u"<v></v>", u""}, ReadCase{u"<v><w/></v>", u""},
                    ReadCase{u"<v>t<w>x</w>u</v>", u""}, ReadCase{u"<v>1.2.3</v>", u"1.2.3"},
                    ReadCase{u"<v>  </v>", u"  "}, ReadCase{u"<v>a &amp; b</v>", u"a & b"},
                    ReadCase{u"<v>&lt;&#65;&#x42;&gt;</v>", u"<AB>"},
                    ReadCase{u"<v>x&nbsp;y&Eacute;</v>", u"x\u00A0y\u00C9"},
                    ReadCase{u"<v>&#xD800;&bogus;&</v>", u"&#xD800;&bogus;&"},
                    ReadCase{u"<v>&#x1F600;</v>", u"\U0001F600"},
                    ReadCase{u"<v a='1>2' b=\"<\">t</v>", u"t"}, ReadCase{u"<v>'\"</v>", u"'\""}));

// Content read node by node: text decoded, CDATA as it stands, the rest dropped.
INSTANTIATE_TEST_SUITE_P(Nodes, ReadRootText,
                         testing::Values(ReadCase{u"<v> <![CDATA[x<y]]> </v>", u"x<y"},
                                         ReadCase{u"<v>a<!--c-->b</v>", u"ab"},
                                         ReadCase{u"<v>1 > 0<!--c--></v>", u"1 > 0"},
                                         ReadCase{u"<v> <!--c--> </v>", u""},
                                         ReadCase{u"<v> a <!--c--> b </v>", u" a  b "},
                                         ReadCase{u"<v><?pi x?>t&amp;</v>", u"t&"},
                                         ReadCase{u"<v><![CDATA[&amp;]]>&amp;</v>", u"&amp;&"},
                                         ReadCase{u"<v><![CDATA[]]>x<![CDATA[<a>]]></v>", u"x<a>"},
                                         ReadCase{u"<v><![CDATA[a]b]]]></v>", u"a]b]"},
                                         ReadCase{u"<v>a</b>c</v>", u"ac"},
                                         ReadCase{u"<v>a<![C]]>b</v>", u"ab"},
                                         ReadCase{u"<v>a<![CDATA]]>b</v>", u"ab"}));

TEST(ReadText, PositionsOutsideTheIndex) {
    CXmlDoc doc(u"<r><v>t</v></r>");
    const int32_t v = doc.elements[doc.elements[0].firstChild].firstChild;
    EXPECT_EQ(doc.ReadText(v), u"t");
    for (int32_t p : {0, -1, doc.usedCount, doc.elements.capacity, 0x7FFFFFFF}) {
        EXPECT_EQ(doc.ReadText(p), u"") << p;
        EXPECT_EQ(doc.ReadTagName(p), u"") << p;
    }
}

TEST(ReadText, ChildTextFollowsTheChildPosition) {
    CXmlDoc doc(u"<r><a>1</a><b><c>2</c></b><d>&#51;</d></r>");
    EXPECT_EQ(doc.ReadChildText(), u"");
    const std::u16string expected[] = {u"1", u"", u"3"};
    for (const std::u16string& value : expected) {
        ASSERT_TRUE(doc.LocateChild(u""));
        EXPECT_EQ(doc.ReadChildText(), value);
    }
    doc.RewindChildren();
    EXPECT_EQ(doc.ReadChildText(), u"");
}

TEST(ReadTagName, NameTokenOfTheStartTag) {
    struct Case {
        const char16_t* text;
        const char16_t* name;
    };
    const Case cases[] = {{u"<Version a='1'>x</Version>", u"Version"},
                          {u"<v/>", u"v"},
                          {u"<a:b\t/>", u"a:b"},
                          {u"<\u00E9t\u00E9>", u"\u00E9t\u00E9"},
                          {u"<x.y-z>t</x.y-z>", u"x.y-z"}};
    for (const Case& c : cases) {
        CXmlDoc doc(c.text);
        EXPECT_EQ(doc.ReadTagName(doc.elements[0].firstChild), c.name) << Narrow(c.text);
    }
}

} // namespace
