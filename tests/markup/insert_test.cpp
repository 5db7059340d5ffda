#include <gtest/gtest.h>

#include "invariants.h"
#include "markup/insert.h"
#include "markup/xml_doc.h"
#include "reparse_compare.h"
#include "test_support.h"

namespace {

using namespace std::string_view_literals;

// After an edit the index must equal that of a fresh parse of the edited text.
void ExpectIndexMatchesReparse(const CXmlDoc& doc) {
    EXPECT_EQ(CheckIndexInvariants(doc), "");
    EXPECT_EQ(DifferenceFromReparse(doc), "");
}

// A document with the given positions and an element as current node.
struct Positions {
    int32_t current;
    int32_t parent;
    int32_t child;
};

void Place(CXmlDoc& doc, Positions at) {
    doc.currentPos = at.current;
    doc.parentPos = at.parent;
    doc.childPos = at.child;
    doc.nodeKind = NodeElement;
}

TEST(InsertElement, IntoAnEmptyDocumentWithoutLineEnds) {
    CXmlDoc doc;
    ASSERT_TRUE(doc.InsertElement(u"result", u"", INS_NO_LINE_ENDS));
    EXPECT_EQ(doc.text, u"<result/>");
    const XmlElementRec& root = doc.elements[0];
    EXPECT_EQ(root.length, 9);
    EXPECT_EQ(root.firstChild, 1);
    const XmlElementRec& e = doc.elements[1];
    EXPECT_TRUE(e.Has(ElemFirstChild));
    EXPECT_EQ(e.prevSibling, 1);
    EXPECT_EQ(e.Level(), 0u);
    EXPECT_EQ(e.start, 0);
    EXPECT_EQ(e.length, 9);
    EXPECT_EQ(e.StartTagLength(), 9);
    EXPECT_EQ(e.EndTagLength(), 0);
    EXPECT_EQ(doc.currentPos, 1);
    EXPECT_EQ(doc.nodeKind, NodeElement);
    ExpectIndexMatchesReparse(doc);

    ASSERT_TRUE(doc.PutAttribute(1, u"type", u"x"));
    EXPECT_EQ(doc.text, u"<result type=\"x\"/>");
    EXPECT_EQ(doc.elements[1].StartTagLength(), 18);
    EXPECT_EQ(doc.elements[1].length, 18);
    EXPECT_EQ(doc.elements[0].length, 18);
    ASSERT_TRUE(doc.PutAttribute(1, u"msg", u"m"));
    EXPECT_EQ(doc.text, u"<result type=\"x\" msg=\"m\"/>");
    ExpectIndexMatchesReparse(doc);
}

struct ChildCase {
    const char16_t* text; // the root becomes the current element
    uint32_t flags;
    const char16_t* expected;
    int32_t childStart;
};

void PrintTo(const ChildCase& c, std::ostream* os) {
    *os << Narrow(c.text);
}

class AsChildTable : public testing::TestWithParam<ChildCase> {};

TEST_P(AsChildTable, Placement) {
    const ChildCase& c = GetParam();
    CXmlDoc doc(c.text);
    doc.currentPos = 1;
    doc.nodeKind = NodeElement;
    ASSERT_TRUE(doc.InsertElement(u"a", u"", INS_AS_CHILD | c.flags));
    EXPECT_EQ(Narrow(doc.text), Narrow(c.expected));
    EXPECT_EQ(doc.elements[doc.childPos].start, c.childStart);
    EXPECT_EQ(doc.currentPos, 1);
    ExpectIndexMatchesReparse(doc);
}

INSTANTIATE_TEST_SUITE_P(InsertElement, AsChildTable,
                         testing::Values(ChildCase{u"<r/>", 0, u"<r>\r\n<a/>\r\n</r>", 5},
                                         ChildCase{u"<r>", 0, u"<r>\r\n<a/>\r\n</r>", 5},
                                         ChildCase{u"<r></r>", 0, u"<r>\r\n<a/>\r\n</r>", 5},
                                         ChildCase{u"<r/>", INS_NO_LINE_ENDS, u"<r><a/></r>", 3},
                                         ChildCase{u"<r>", INS_NO_LINE_ENDS, u"<r><a/></r>", 3},
                                         ChildCase{u"<r></r>", INS_NO_LINE_ENDS, u"<r><a/></r>", 3},
                                         ChildCase{u"<r><b/></r>", INS_NO_LINE_ENDS,
                                                   u"<r><b/><a/></r>", 7},
                                         ChildCase{u"<r><b/></r>", INS_NO_LINE_ENDS | INS_BEFORE,
                                                   u"<r><a/><b/></r>", 3}));

struct PlaceCase {
    const char16_t* text;
    Positions at;
    std::u16string_view name;
    std::u16string_view data;
    uint32_t flags;
    const char16_t* expected;
    int32_t newStart;
};

void PrintTo(const PlaceCase& c, std::ostream* os) {
    *os << Narrow(c.text) << " + " << Narrow(c.name) << " flags " << c.flags;
}

class PlaceTable : public testing::TestWithParam<PlaceCase> {};

TEST_P(PlaceTable, TextIndexAndPositions) {
    const PlaceCase& c = GetParam();
    CXmlDoc doc(c.text);
    Place(doc, c.at);
    const int32_t expectedPos = doc.usedCount;
    ASSERT_TRUE(doc.InsertElement(c.name, c.data, c.flags));
    EXPECT_EQ(Narrow(doc.text), Narrow(c.expected));
    const bool asChild = (c.flags & INS_AS_CHILD) != 0;
    EXPECT_EQ(asChild ? doc.childPos : doc.currentPos, expectedPos);
    EXPECT_EQ(asChild ? doc.currentPos : doc.childPos, asChild ? c.at.current : 0);
    EXPECT_EQ(doc.parentPos, c.at.parent);
    EXPECT_EQ(doc.elements[expectedPos].start, c.newStart);
    ExpectIndexMatchesReparse(doc);
}

INSTANTIATE_TEST_SUITE_P(
    InsertElement, PlaceTable,
    testing::Values(
        // Line ends: new markup goes before the next tag, behind the line break.
        PlaceCase{
            u"<r>\r\n<a/>\r\n</r>", {2, 1, 0}, u"b", u"", 0, u"<r>\r\n<a/>\r\n<b/>\r\n</r>", 11},
        PlaceCase{u"<r>\r\n<a/>\r\n</r>",
                  {2, 1, 0},
                  u"b",
                  u"",
                  INS_BEFORE,
                  u"<r>\r\n<b/>\r\n<a/>\r\n</r>",
                  5},
        PlaceCase{u"<r><a/>x</r>", {2, 1, 0}, u"b", u"", 0, u"<r><a/><b/>\r\nx</r>", 7},
        PlaceCase{u"<r><a/> \r\n x</r>", {2, 1, 0}, u"b", u"", 0, u"<r><a/><b/>\r\n \r\n x</r>", 7},
        PlaceCase{u"<r><a/></r>", {2, 1, 0}, u"n", u"1<2", 0, u"<r><a/><n>1&lt;2</n>\r\n</r>", 7},
        // As child without a current child: last child, or first with INS_BEFORE.
        PlaceCase{u"<r>\r\n<a/>\r\n</r>",
                  {1, 0, 0},
                  u"n",
                  u"",
                  INS_AS_CHILD,
                  u"<r>\r\n<a/>\r\n<n/>\r\n</r>",
                  11},
        PlaceCase{u"<r>\r\n<a/>\r\n</r>",
                  {1, 0, 0},
                  u"n",
                  u"",
                  INS_AS_CHILD | INS_BEFORE,
                  u"<r>\r\n<n/>\r\n<a/>\r\n</r>",
                  5},
        PlaceCase{u"<r>\t<a/></r>",
                  {1, 0, 0},
                  u"n",
                  u"",
                  INS_AS_CHILD | INS_BEFORE,
                  u"<r>\t<n/>\r\n<a/></r>",
                  4},
        // Relative to the current child.
        PlaceCase{u"<r><a/><c/></r>",
                  {1, 0, 2},
                  u"n",
                  u"",
                  INS_AS_CHILD | INS_NO_LINE_ENDS,
                  u"<r><a/><n/><c/></r>",
                  7},
        PlaceCase{u"<r><a/><c/></r>",
                  {1, 0, 3},
                  u"n",
                  u"",
                  INS_AS_CHILD | INS_NO_LINE_ENDS | INS_BEFORE,
                  u"<r><a/><n/><c/></r>",
                  7},
        // Deep inside: everything behind moves, everything around grows.
        PlaceCase{u"<r><a><b/></a><c><d/></c></r>",
                  {3, 2, 0},
                  u"n",
                  u"",
                  INS_NO_LINE_ENDS,
                  u"<r><a><b/><n/></a><c><d/></c></r>",
                  10},
        // Top level and the empty document.
        PlaceCase{u"<r/>", {1, 0, 0}, u"n", u"", 0, u"<r/><n/>\r\n", 4},
        PlaceCase{u"", {0, 0, 0}, u"n", u"", 0, u"\r\n<n/>\r\n", 2},
        // Spaced one-tag parent keeps its space.
        PlaceCase{u"<r />", {1, 0, 0}, u"n", u"", INS_AS_CHILD, u"<r >\r\n<n/>\r\n</r>", 6},
        // The forms of the new element.
        PlaceCase{u"<r/>",
                  {1, 0, 0},
                  u"n",
                  u"",
                  INS_AS_CHILD | INS_NO_LINE_ENDS | INS_SPACE_SLASH,
                  u"<r><n /></r>",
                  3},
        PlaceCase{u"<r/>",
                  {1, 0, 0},
                  u"n",
                  u"",
                  INS_AS_CHILD | INS_NO_LINE_ENDS | INS_UNENDED,
                  u"<r><n></r>",
                  3},
        PlaceCase{u"<r/>",
                  {1, 0, 0},
                  u"n",
                  u"",
                  INS_AS_CHILD | INS_NO_LINE_ENDS | INS_CDATA,
                  u"<r><n/></r>",
                  3},
        PlaceCase{u"<r/>",
                  {1, 0, 0},
                  u"n",
                  u"x",
                  INS_AS_CHILD | INS_NO_LINE_ENDS | INS_SPACE_SLASH,
                  u"<r><n>x</n></r>",
                  3},
        PlaceCase{u"<r/>",
                  {1, 0, 0},
                  u"n",
                  u"\"'&amp;",
                  INS_AS_CHILD | INS_NO_LINE_ENDS | 0x100,
                  u"<r><n>&quot;&apos;&amp;amp;</n></r>",
                  3},
        PlaceCase{u"<r/>",
                  {1, 0, 0},
                  u"n",
                  u"&amp;<",
                  INS_AS_CHILD | INS_NO_LINE_ENDS | 0x08,
                  u"<r><n>&amp;&lt;</n></r>",
                  3},
        // The data ends at its first zero unit, as the text does.
        PlaceCase{u"<r/>",
                  {1, 0, 0},
                  u"n",
                  u"a\0b"sv,
                  INS_AS_CHILD | INS_NO_LINE_ENDS | INS_CDATA,
                  u"<r><n><![CDATA[a]]></n></r>",
                  3},
        // Names are used as they stand unless they would break the markup.
        PlaceCase{u"<r/>",
                  {1, 0, 0},
                  u"x:y-z.1",
                  u"",
                  INS_AS_CHILD | INS_NO_LINE_ENDS,
                  u"<r><x:y-z.1/></r>",
                  3}));

TEST(InsertElement, ShiftsEveryElementBehindAndGrowsEveryEnclosingOne) {
    CXmlDoc doc(u"<r><a><b/></a><c><d/></c></r>");
    Place(doc, {3, 2, 0});
    ASSERT_TRUE(doc.InsertElement(u"n", u"", INS_NO_LINE_ENDS));
    EXPECT_EQ(DescribeIndex(doc), "r[0,33,3,4](a[3,15,3,4](b[6,4,4,0] n[10,4,4,0]) "
                                  "c[18,11,3,4](d[21,4,4,0]))");
}

struct InsertRefusal {
    const char* what;
    const char16_t* text;
    Positions at;
    std::u16string_view name;
    std::u16string_view data;
    uint32_t flags;
    uint32_t modeFlags;
};

void PrintTo(const InsertRefusal& c, std::ostream* os) {
    *os << c.what;
}

class InsertRefusals : public testing::TestWithParam<InsertRefusal> {};

TEST_P(InsertRefusals, ChangeNothing) {
    const InsertRefusal& c = GetParam();
    CXmlDoc doc(c.text);
    Place(doc, c.at);
    doc.modeFlags = c.modeFlags;
    const std::string index = DescribeIndex(doc);
    const int32_t used = doc.usedCount;
    EXPECT_FALSE(doc.InsertElement(c.name, c.data, c.flags));
    EXPECT_EQ(doc.text, c.text);
    EXPECT_EQ(DescribeIndex(doc), index);
    EXPECT_EQ(doc.usedCount, used);
    EXPECT_EQ(doc.currentPos, c.at.current);
    EXPECT_EQ(doc.childPos, c.at.child);
}

const std::u16string kTooLong(kMaxEndTagLength - 2, u'n');

INSTANTIATE_TEST_SUITE_P(
    InsertElement, InsertRefusals,
    testing::Values(
        InsertRefusal{"as child without a current element",
                      u"<r><a/></r>",
                      {0, 0, 0},
                      u"n",
                      u"",
                      INS_AS_CHILD,
                      0},
        InsertRefusal{"unended with data", u"<r><a/></r>", {2, 1, 0}, u"n", u"x", INS_UNENDED, 0},
        InsertRefusal{"read-file mode", u"<r><a/></r>", {2, 1, 0}, u"n", u"", 0, ModeReadFile},
        InsertRefusal{"as child in write-file mode",
                      u"<r><a/></r>",
                      {1, 0, 0},
                      u"n",
                      u"",
                      INS_AS_CHILD,
                      ModeWriteFile},
        InsertRefusal{"replacing the parent's content",
                      u"<r><a/></r>",
                      {2, 1, 0},
                      u"n",
                      u"",
                      INS_REPLACE_CONTENT | INS_NO_LINE_ENDS,
                      0},
        InsertRefusal{
            "current position never handed out", u"<r><a/></r>", {7, 1, 0}, u"n", u"", 0, 0},
        InsertRefusal{"negative parent position", u"<r><a/></r>", {0, -3, 0}, u"n", u"", 0, 0},
        InsertRefusal{"child position never handed out",
                      u"<r><a/></r>",
                      {1, 0, 9},
                      u"n",
                      u"",
                      INS_AS_CHILD,
                      0},
        InsertRefusal{"current element not a child of the parent",
                      u"<r><a/></r>",
                      {2, 0, 0},
                      u"n",
                      u"",
                      0,
                      0},
        InsertRefusal{
            "end tag too long for its field", u"<r/>", {1, 0, 0}, kTooLong, u"x", INS_AS_CHILD, 0},
        // The parent's end tag would close the lone start tag instead of the parent.
        InsertRefusal{"unended under a parent of its name",
                      u"<r><a/></r>",
                      {2, 1, 0},
                      u"r",
                      u"",
                      INS_UNENDED,
                      0},
        InsertRefusal{"unended as child of its name",
                      u"<r/>",
                      {1, 0, 0},
                      u"r",
                      u"",
                      INS_AS_CHILD | INS_UNENDED,
                      0},
        InsertRefusal{"unended under its name, case ignored",
                      u"<R/>",
                      {1, 0, 0},
                      u"r",
                      u"",
                      INS_AS_CHILD | INS_UNENDED,
                      ModeIgnoreCase},
        InsertRefusal{"empty name", u"<r><a/></r>", {2, 1, 0}, u"", u"", 0, 0},
        InsertRefusal{"name with a space", u"<r><a/></r>", {2, 1, 0}, u"a b", u"", 0, 0},
        InsertRefusal{"name with a tab", u"<r><a/></r>", {2, 1, 0}, u"a\tb", u"", 0, 0},
        InsertRefusal{"name with a line end", u"<r><a/></r>", {2, 1, 0}, u"a\nb", u"", 0, 0},
        InsertRefusal{"name with <", u"<r><a/></r>", {2, 1, 0}, u"a<b", u"", 0, 0},
        InsertRefusal{"name with >", u"<r><a/></r>", {2, 1, 0}, u"a>", u"", 0, 0},
        InsertRefusal{"name with /", u"<r><a/></r>", {2, 1, 0}, u"a/", u"", 0, 0},
        InsertRefusal{"name with =", u"<r><a/></r>", {2, 1, 0}, u"a=1", u"", 0, 0},
        InsertRefusal{"name with &", u"<r><a/></r>", {2, 1, 0}, u"&a", u"", 0, 0},
        InsertRefusal{"name with a quotation mark", u"<r><a/></r>", {2, 1, 0}, u"a\"", u"", 0, 0},
        InsertRefusal{"name with an apostrophe", u"<r><a/></r>", {2, 1, 0}, u"a'", u"", 0, 0},
        InsertRefusal{"name with a zero unit", u"<r><a/></r>", {2, 1, 0}, u"a\0b"sv, u"", 0, 0},
        // Names the token reader would split, or that open no element after "<".
        InsertRefusal{"name with ?", u"<r><a/></r>", {2, 1, 0}, u"a?b", u"", 0, 0},
        InsertRefusal{"name with !", u"<r><a/></r>", {2, 1, 0}, u"a!b", u"", 0, 0},
        InsertRefusal{"name with ;", u"<r><a/></r>", {2, 1, 0}, u"a;b", u"", 0, 0},
        InsertRefusal{"name with a backslash", u"<r><a/></r>", {2, 1, 0}, u"a\\b", u"", 0, 0},
        InsertRefusal{
            "name starting with a digit", u"<r/>", {1, 0, 0}, u"8x", u"", INS_AS_CHILD, 0},
        InsertRefusal{"name starting with -", u"<r><a/></r>", {2, 1, 0}, u"-a", u"", 0, 0},
        InsertRefusal{"name starting with .", u"<r><a/></r>", {2, 1, 0}, u".a", u"", 0, 0},
        InsertRefusal{"name starting with @", u"<r><a/></r>", {2, 1, 0}, u"@a", u"", 0, 0},
        InsertRefusal{"name starting with a control character",
                      u"<r><a/></r>",
                      {2, 1, 0},
                      u"\x01a",
                      u"",
                      0,
                      0}));

TEST(InsertElement, NamesTheReadersReadBackWholeAreAccepted) {
    for (std::u16string_view name :
         {u"_a"sv, u":a"sv, u"Z"sv, u"{"sv, u"\u00e9t\u00e9"sv, u"a-1.b"sv}) {
        CXmlDoc doc(u"<r/>");
        Place(doc, {1, 0, 0});
        ASSERT_TRUE(doc.InsertElement(name, u"", INS_AS_CHILD | INS_NO_LINE_ENDS)) << Narrow(name);
        EXPECT_EQ(doc.ReadTagName(2), name);
        ExpectIndexMatchesReparse(doc);
    }
    for (std::u16string_view name : {u"-a"sv, u"8"sv, u".x"sv, u"@a"sv}) {
        CXmlDoc doc(u"<r/>");
        doc.nodeKind = NodeElement;
        ASSERT_TRUE(doc.PutAttribute(1, name, u"v")) << Narrow(name);
        XmlTokenReader reader(doc.text.c_str(), 1, 0);
        ASSERT_TRUE(reader.LocateAttribute(std::nullopt));
        EXPECT_EQ(reader.Token(), name);
    }
}

TEST(InsertElement, RefusesAFreedPosition) {
    CXmlDoc doc(u"<r><a/></r>");
    Place(doc, {2, 1, 0});
    doc.elements[2].Set(ElemFreed);
    EXPECT_FALSE(doc.InsertElement(u"n", u"", 0));
    EXPECT_EQ(doc.text, u"<r><a/></r>");
}

TEST(InsertElement, WrapsAOneTagParentWhoseEndTagJustFits) {
    const std::u16string name(kMaxEndTagLength - 3, u'p');
    CXmlDoc doc(u"<" + name + u"/>");
    Place(doc, {1, 0, 0});
    ASSERT_TRUE(doc.InsertElement(u"n", u"", INS_AS_CHILD | INS_NO_LINE_ENDS));
    EXPECT_EQ(doc.elements[1].EndTagLength(), kMaxEndTagLength);
    ExpectIndexMatchesReparse(doc);

    CXmlDoc longer(u"<" + kTooLong + u"/>");
    Place(longer, {1, 0, 0});
    EXPECT_FALSE(longer.InsertElement(u"n", u"", INS_AS_CHILD));
    EXPECT_EQ(longer.text, u"<" + kTooLong + u"/>");
}

TEST(InsertElement, AfterAndBeforeASibling) {
    CXmlDoc doc(u"<r>\r\n<a/>\r\n</r>");
    doc.currentPos = 2; // a
    doc.parentPos = 1;
    ASSERT_TRUE(doc.InsertElement(u"b", u"", 0));
    EXPECT_EQ(doc.text, u"<r>\r\n<a/>\r\n<b/>\r\n</r>");
    ExpectIndexMatchesReparse(doc);

    CXmlDoc before(u"<r>\r\n<a/>\r\n</r>");
    before.currentPos = 2;
    before.parentPos = 1;
    ASSERT_TRUE(before.InsertElement(u"b", u"", INS_BEFORE));
    EXPECT_EQ(before.text, u"<r>\r\n<b/>\r\n<a/>\r\n</r>");
    EXPECT_TRUE(before.elements[3].Has(ElemFirstChild));
    EXPECT_FALSE(before.elements[2].Has(ElemFirstChild));
    EXPECT_EQ(before.elements[2].prevSibling, 3);
    ExpectIndexMatchesReparse(before);
}

TEST(InsertElement, NoWhiteSpaceSkippedBeforeText) {
    CXmlDoc doc(u"<r><a/>x</r>");
    doc.currentPos = 2;
    doc.parentPos = 1;
    ASSERT_TRUE(doc.InsertElement(u"b", u"", 0));
    EXPECT_EQ(doc.text, u"<r><a/><b/>\r\nx</r>");
    ExpectIndexMatchesReparse(doc);
}

TEST(InsertElement, DataAndCData) {
    CXmlDoc doc(u"<r/>");
    doc.currentPos = 1;
    doc.nodeKind = NodeElement;
    ASSERT_TRUE(doc.InsertElement(u"n", u"a]]>b", INS_AS_CHILD | INS_CDATA | INS_NO_LINE_ENDS));
    EXPECT_EQ(doc.text, u"<r><n><![CDATA[a]]]]><![CDATA[>b]]></n></r>");
    ASSERT_TRUE(doc.InsertElement(u"m", u"1<2", INS_AS_CHILD | INS_NO_LINE_ENDS));
    EXPECT_EQ(doc.text, u"<r><n><![CDATA[a]]]]><![CDATA[>b]]></n><m>1&lt;2</m></r>");
    ExpectIndexMatchesReparse(doc);
}

TEST(InsertElement, RefusalsChangeNothing) {
    CXmlDoc doc(u"<r/>");
    EXPECT_FALSE(doc.InsertElement(u"a", u"", INS_AS_CHILD)); // no current element
    EXPECT_FALSE(doc.InsertElement(u"a", u"x", INS_UNENDED));
    doc.modeFlags = ModeReadFile;
    EXPECT_FALSE(doc.InsertElement(u"a", u"", 0));
    EXPECT_EQ(doc.text, u"<r/>");
    EXPECT_EQ(doc.usedCount, 2);
}

TEST(InsertElement, GrowsTheTableWhenFull) {
    CXmlDoc doc(u"<r/>");
    doc.currentPos = 1;
    doc.nodeKind = NodeElement;
    for (int i = 0; i < 20; ++i)
        ASSERT_TRUE(doc.InsertElement(u"e", u"", INS_AS_CHILD | INS_NO_LINE_ENDS));
    EXPECT_EQ(doc.usedCount, 22);
    ExpectIndexMatchesReparse(doc);
}

struct AttributeEditCase {
    const char16_t* text;
    const char16_t* name;
    const char16_t* value;
    const char16_t* expected;
    int32_t element = 1;
};

void PrintTo(const AttributeEditCase& c, std::ostream* os) {
    *os << Narrow(c.text) << " / " << Narrow(c.name);
}

class PutAttributeTable : public testing::TestWithParam<AttributeEditCase> {};

TEST_P(PutAttributeTable, Text) {
    const AttributeEditCase& c = GetParam();
    CXmlDoc doc(c.text);
    doc.nodeKind = NodeElement;
    ASSERT_TRUE(doc.PutAttribute(c.element, c.name, c.value));
    EXPECT_EQ(Narrow(doc.text), Narrow(c.expected));
    ExpectIndexMatchesReparse(doc);
}

INSTANTIATE_TEST_SUITE_P(
    PutAttribute, PutAttributeTable,
    testing::Values(
        AttributeEditCase{u"<r a='1'/>", u"a", u"2", u"<r a=\"2\"/>"},
        AttributeEditCase{u"<r a=1></r>", u"a", u"2", u"<r a=\"2\"></r>"},
        AttributeEditCase{u"<r a=1>", u"a", u"2", u"<r a=\"2\">"},
        AttributeEditCase{u"<r/>", u"a", u"x\"y", u"<r a=\"x&quot;y\"/>"},
        AttributeEditCase{u"<r />", u"a", u"1", u"<r a=\"1\" />"},
        AttributeEditCase{u"<r x=\"1\"><c/></r>", u"y", u"2", u"<r x=\"1\" y=\"2\"><c/></r>"},
        AttributeEditCase{u"<r><c/></r>", u"a", u"long value", u"<r a=\"long value\"><c/></r>"},
        // Without a value, the attribute gets one; a missing value is filled in.
        AttributeEditCase{u"<r x y='1'/>", u"x", u"v", u"<r x=\"v\" y='1'/>"},
        AttributeEditCase{u"<r x>", u"x", u"v", u"<r x=\"v\">"},
        AttributeEditCase{u"<r x=>", u"x", u"v", u"<r x=\"v\">"},
        // <a x=1/> and <a x=/> are unended start tags and stay so; <a x= /> and <a x=1"/>
        // are empty-element tags.
        AttributeEditCase{u"<r><a x=1/></r>", u"x", u"2", u"<r><a x=\"2\"></r>", 2},
        AttributeEditCase{u"<r><a x=1/></r>", u"c", u"2", u"<r><a x=1/ c=\"2\"></r>", 2},
        AttributeEditCase{u"<r><a x=/></r>", u"x", u"2", u"<r><a x=\"2\"></r>", 2},
        AttributeEditCase{u"<r><a x= /></r>", u"x", u"2", u"<r><a x=\"2\" /></r>", 2},
        AttributeEditCase{u"<r><a x=1\"/></r>", u"x", u"2", u"<r><a x=\"2\"/></r>", 2}));

TEST(PutAttribute, MissingValueBeforeTheTagEnd) {
    // The parser takes <r x=/> for an unended start tag whose x has the value "/"; it stays so.
    CXmlDoc doc(u"<r x=/>");
    doc.nodeKind = NodeElement;
    ASSERT_TRUE(doc.PutAttribute(1, u"x", u"v"));
    EXPECT_EQ(doc.text, u"<r x=\"v\">");
    EXPECT_EQ(CheckIndexInvariants(doc), "");
    EXPECT_EQ(DescribeIndex(doc), "r[0,9,9,0]U");
}

TEST(PutAttribute, UnendedStartTagTakesAChildAfterTheEdit) {
    CXmlDoc doc(u"<r><a x=1/></r>");
    Place(doc, {2, 1, 0});
    ASSERT_TRUE(doc.PutAttribute(2, u"x", u"2"));
    ASSERT_TRUE(doc.InsertElement(u"c", u"", INS_AS_CHILD | INS_NO_LINE_ENDS));
    EXPECT_EQ(Narrow(doc.text), "<r><a x=\"2\"><c/></a></r>");
    ExpectIndexMatchesReparse(doc);
}

TEST(PutAttribute, ShiftsEverythingBehind) {
    CXmlDoc doc(u"<r><a/><b><c/></b></r>");
    doc.nodeKind = NodeElement;
    ASSERT_TRUE(doc.PutAttribute(2, u"k", u"v"));
    EXPECT_EQ(doc.text, u"<r><a k=\"v\"/><b><c/></b></r>");
    EXPECT_EQ(doc.elements[3].start, 13);
    EXPECT_EQ(doc.elements[4].start, 16);
    EXPECT_EQ(doc.elements[1].length, 28);
    ExpectIndexMatchesReparse(doc);
}

TEST(PutAttribute, IntegerFormUsesTheCurrentElement) {
    CXmlDoc doc(u"<r/>");
    doc.currentPos = 1;
    doc.nodeKind = NodeElement;
    ASSERT_TRUE(doc.PutAttribute(u"n", -42));
    EXPECT_EQ(doc.text, u"<r n=\"-42\"/>");
}

TEST(PutAttribute, Refusals) {
    CXmlDoc doc(u"<r/>");
    EXPECT_FALSE(doc.PutAttribute(1, u"a", u"1")); // no current element
    doc.nodeKind = NodeElement;
    EXPECT_FALSE(doc.PutAttribute(0, u"a", u"1"));
    doc.modeFlags = ModeReadFile;
    EXPECT_FALSE(doc.PutAttribute(1, u"a", u"1"));
    EXPECT_EQ(doc.text, u"<r/>");
}

TEST(PutAttribute, NeverEditsOutsideTheStartTag) {
    // The stray quote is plain to the parser but opens a value for the attribute scan,
    // which then runs on to the end of the text.
    CXmlDoc doc(u"<r \"x><c/></r>");
    doc.nodeKind = NodeElement;
    EXPECT_FALSE(doc.PutAttribute(1, u"a", u"1"));
    EXPECT_EQ(doc.text, u"<r \"x><c/></r>");
}

class PutAttributeNameRefusals : public testing::TestWithParam<std::u16string_view> {};

TEST_P(PutAttributeNameRefusals, ChangeNothing) {
    CXmlDoc doc(u"<r a=\"1\"/>");
    doc.nodeKind = NodeElement;
    EXPECT_FALSE(doc.PutAttribute(1, GetParam(), u"v"));
    EXPECT_EQ(doc.text, u"<r a=\"1\"/>");
    EXPECT_EQ(doc.elements[1].length, 10);
}

INSTANTIATE_TEST_SUITE_P(PutAttribute, PutAttributeNameRefusals,
                         testing::Values(u""sv, u"a b"sv, u"a\r"sv, u"<a"sv, u"a>"sv, u"a/"sv,
                                         u"a="sv, u"a&"sv, u"\"a"sv, u"a'"sv, u"a\0"sv, u"a?b"sv,
                                         u"a!b"sv, u"a;b"sv, u"a\\b"sv));

TEST(PutAttribute, RefusesPositionsNeverHandedOutOrFreed) {
    CXmlDoc doc(u"<r><a/></r>");
    doc.nodeKind = NodeElement;
    EXPECT_FALSE(doc.PutAttribute(3, u"k", u"v"));
    EXPECT_FALSE(doc.PutAttribute(-1, u"k", u"v"));
    EXPECT_FALSE(doc.PutAttribute(0x10000, u"k", u"v"));
    doc.elements[2].Set(ElemFreed);
    EXPECT_FALSE(doc.PutAttribute(2, u"k", u"v"));
    EXPECT_EQ(doc.text, u"<r><a/></r>");
}

TEST(PutAttribute, ValueEndsAtItsFirstZeroUnit) {
    CXmlDoc doc(u"<r/>");
    doc.nodeKind = NodeElement;
    ASSERT_TRUE(doc.PutAttribute(1, u"k", u"a\0b"sv));
    EXPECT_EQ(doc.text, u"<r k=\"a\"/>");
    ExpectIndexMatchesReparse(doc);
}

} // namespace
