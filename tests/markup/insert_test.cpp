#include <gtest/gtest.h>

#include "invariants.h"
#include "markup/insert.h"
#include "markup/xml_doc.h"
#include "test_support.h"

namespace {

// After an edit the index must equal that of a fresh parse of the edited text.
void ExpectIndexMatchesReparse(const CXmlDoc& doc) {
    EXPECT_EQ(CheckIndexInvariants(doc), "");
    CXmlDoc fresh(doc.text);
    EXPECT_EQ(DescribeIndex(doc), DescribeIndex(fresh));
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
};

void PrintTo(const AttributeEditCase& c, std::ostream* os) {
    *os << Narrow(c.text) << " / " << Narrow(c.name);
}

class PutAttributeTable : public testing::TestWithParam<AttributeEditCase> {};

TEST_P(PutAttributeTable, Text) {
    const AttributeEditCase& c = GetParam();
    CXmlDoc doc(c.text);
    doc.nodeKind = NodeElement;
    ASSERT_TRUE(doc.PutAttribute(1, c.name, c.value));
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
        AttributeEditCase{u"<r x=>", u"x", u"v", u"<r x=\"v\">"}));

TEST(PutAttribute, MissingValueBeforeTheTagEnd) {
    // The parser takes <r x=/> for an unended start tag; the edit keeps its "/>".
    CXmlDoc doc(u"<r x=/>");
    doc.nodeKind = NodeElement;
    ASSERT_TRUE(doc.PutAttribute(1, u"x", u"v"));
    EXPECT_EQ(doc.text, u"<r x=\"v\"/>");
    EXPECT_EQ(CheckIndexInvariants(doc), "");
    EXPECT_EQ(DescribeIndex(doc), "r[0,10,10,0]U");
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

} // namespace
