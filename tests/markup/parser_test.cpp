#include <gtest/gtest.h>

#include "invariants.h"
#include "markup/report.h"
#include "markup/xml_doc.h"
#include "test_support.h"

namespace {

struct ParseCase {
    const char16_t* text;
    const char* index;  // DescribeIndex of the result
    const char* report; // the document's report
    bool sound;         // Parse's result
    bool illFormed;     // DocIllFormed on the document record
    bool docError;      // ElemHasError on the document record
};

void PrintTo(const ParseCase& c, std::ostream* os) {
    *os << Narrow(c.text);
}

class ParseTable : public testing::TestWithParam<ParseCase> {};

TEST_P(ParseTable, IndexAndReport) {
    const ParseCase& c = GetParam();
    CXmlDoc doc;
    EXPECT_EQ(doc.SetText(std::u16string(c.text)), c.sound);
    EXPECT_EQ(CheckIndexInvariants(doc), "");
    EXPECT_EQ(DescribeIndex(doc), c.index);
    EXPECT_EQ(Narrow(doc.report), c.report);
    EXPECT_EQ(doc.elements[0].Has(DocIllFormed), c.illFormed);
    EXPECT_EQ(doc.elements[0].Has(ElemHasError), c.docError);
    EXPECT_EQ(doc.currentPos, 0);
    EXPECT_EQ(doc.parentPos, 0);
    EXPECT_EQ(doc.childPos, 0);
    EXPECT_EQ(doc.nodeKind, 0);
}

// Well-formed texts and the non-element nodes that create no record.
INSTANTIATE_TEST_SUITE_P(
    Sound, ParseTable,
    testing::Values(
        ParseCase{u"<a/>", "a[0,4,4,0]", "", true, false, false},
        ParseCase{u"<a />", "a[0,5,5,0]", "", true, false, false},
        ParseCase{u"<a x=\"1\"/>", "a[0,10,10,0]", "", true, false, false},
        ParseCase{u"<a x='1>2'/>", "a[0,12,12,0]", "", true, false, false},
        ParseCase{u"<a x=\"/\">t</a>", "a[0,14,9,4]", "", true, false, false},
        ParseCase{u"<r><a/><b>t</b></r>", "r[0,19,3,4](a[3,4,4,0] b[7,8,3,4])", "", true, false,
                  false},
        ParseCase{u"<?xml version=\"1.0\"?>\r\n<r>x<!--c--></r>", "r[23,16,3,4]", "", true, false,
                  false},
        ParseCase{u"<!DOCTYPE r [<!ENTITY e 'v'>]><r/>", "r[30,4,4,0]", "", true, false, false},
        ParseCase{u"<!DOCTYPE r [<!ENTITY e 'a>b'>]><r/>", "r[32,4,4,0]", "", true, false, false},
        ParseCase{u"<!DOCTYPE r [<!-- > --><?p > ?>]><r/>", "r[33,4,4,0]", "", true, false, false},
        ParseCase{u"<r><![CDATA[a<b>]]></r>", "r[0,23,3,4]", "", true, false, false},
        ParseCase{u"<r>1 > 0</r>", "r[0,12,3,4]", "", true, false, false},
        ParseCase{u"<a[1]></a>", "a[1][0,10,6,4]", "", true, false, false},
        ParseCase{u" \r\n<r/>\t", "r[3,4,4,0]", "", true, false, false}));

// Structure problems: lone end tags, unended start tags, no root, several roots.
INSTANTIATE_TEST_SUITE_P(
    Structure, ParseTable,
    testing::Values(
        ParseCase{u"", "", "", false, false, false},
        ParseCase{u"hello", "", "<no_root_element/>", false, false, false},
        ParseCase{u"<a/><b/>", "a[0,4,4,0] b[4,4,4,0]", "<root_has_sibling/>", false, false, false},
        ParseCase{u"<a><b></a>", "a[0,10,3,4](b[3,3,3,0]U)",
                  "<unended_start_tag tagname=\"b\" offset=\"3\" offset2=\"7\"/>", false, true,
                  false},
        ParseCase{u"<a></b></a>", "a[0,11,3,4]E", "<lone_end_tag tagname=\"b\" offset=\"3\"/>",
                  false, true, false},
        ParseCase{u"</b><a/>", "a[4,4,4,0]", "<lone_end_tag tagname=\"b\" offset=\"0\"/>", false,
                  true, true},
        ParseCase{u"<r><a><b/><c/></r>", "r[0,18,3,4](a[3,3,3,0]U b[6,4,4,0] c[10,4,4,0])",
                  "<unended_start_tag tagname=\"a\" offset=\"3\" offset2=\"15\"/>", false, true,
                  false},
        ParseCase{u"<r><a><b><x/></r>", "r[0,17,3,4](a[3,3,3,0]U b[6,3,3,0]U x[9,4,4,0])",
                  "<unended_start_tag tagname=\"b\" offset=\"6\" offset2=\"14\"/>"
                  "<unended_start_tag tagname=\"a\" offset=\"3\" offset2=\"14\"/>",
                  false, true, false},
        ParseCase{u"<a b/>", "a[0,6,6,0]U",
                  "<unended_start_tag tagname=\"a\" offset=\"0\" offset2=\"6\"/>", false, true,
                  false},
        ParseCase{u"<a><b><c/>", "a[0,3,3,0]U b[3,3,3,0]U c[6,4,4,0]",
                  "<unended_start_tag tagname=\"b\" offset=\"3\" offset2=\"10\"/>"
                  "<unended_start_tag tagname=\"a\" offset=\"0\" offset2=\"10\"/>"
                  "<root_has_sibling/>",
                  false, true, false},
        ParseCase{u"<A></a>", "A[0,3,3,0]U",
                  "<lone_end_tag tagname=\"a\" offset=\"3\"/>"
                  "<unended_start_tag tagname=\"A\" offset=\"0\" offset2=\"7\"/>",
                  false, true, true},
        ParseCase{u"<ab></a>", "ab[0,4,4,0]U",
                  "<lone_end_tag tagname=\"a\" offset=\"4\"/>"
                  "<unended_start_tag tagname=\"ab\" offset=\"0\" offset2=\"8\"/>",
                  false, true, true},
        ParseCase{u"<r></></r>", "r[0,10,3,4]E", "<lone_end_tag tagname=\"\" offset=\"3\"/>", false,
                  true, false},
        ParseCase{u"<r><a></b></r>", "r[0,14,3,4]E(a[3,3,3,0]U)",
                  "<lone_end_tag tagname=\"b\" offset=\"6\"/>"
                  "<unended_start_tag tagname=\"a\" offset=\"3\" offset2=\"11\"/>",
                  false, true, false}));

// Unreadable markup: each error entry, where it is recorded, and the unterminated kinds.
INSTANTIATE_TEST_SUITE_P(
    Syntax, ParseTable,
    testing::Values(
        ParseCase{u"< a>", "", "<first_tag_syntax offset=\"0\"/><no_root_element/>", false, true,
                  true},
        ParseCase{u"<r><>x</r>", "r[0,10,3,4]E", "<first_tag_syntax offset=\"3\"/>", false, true,
                  false},
        ParseCase{u"<r><!x></r>", "r[0,11,3,4]E", "<exclamation_tag_syntax offset=\"3\"/>", false,
                  true, false},
        ParseCase{u"<r><!-x></r>", "r[0,12,3,4]E", "<comment_tag_syntax offset=\"3\"/>", false,
                  true, false},
        ParseCase{u"<r><![x]></r>", "r[0,13,3,4]E", "<cdata_section_syntax offset=\"3\"/>", false,
                  true, false},
        ParseCase{u"<r>< a><!x></r>", "r[0,15,3,4]E",
                  "<first_tag_syntax offset=\"3\"/><exclamation_tag_syntax offset=\"7\"/>", false,
                  true, false},
        ParseCase{u"<r><a>< x></r>", "r[0,14,3,4]E(a[3,3,3,0]U)",
                  "<first_tag_syntax offset=\"6\"/>"
                  "<unended_start_tag tagname=\"a\" offset=\"3\" offset2=\"11\"/>",
                  false, true, false},
        // A doctype error whose declaration still ends travels with the next error node.
        ParseCase{u"<!DOCTYPE r [<!X>]><r/>", "r[19,4,4,0]", "", true, false, false},
        ParseCase{u"<!DOCTYPE r [<!ENTITY e 'v'><!X>]><r/>< x>", "r[34,4,4,0]",
                  "<doctype_tag_syntax offset=\"28\"/><first_tag_syntax offset=\"38\"/>", false,
                  true, true},
        ParseCase{u"<!-- x", "",
                  "<unterminated_tag_syntax type=\"comment\" offset=\"0\"/><no_root_element/>",
                  false, true, true},
        ParseCase{u"<r/><r", "r[0,4,4,0]",
                  "<unterminated_tag_syntax type=\"start_tag\" offset=\"4\"/>", false, true, true},
        ParseCase{u"<r/></r", "r[0,4,4,0]",
                  "<unterminated_tag_syntax type=\"end_tag\" offset=\"4\"/>", false, true, true},
        ParseCase{u"<r/><?p", "r[0,4,4,0]",
                  "<unterminated_tag_syntax type=\"processing_instruction\" offset=\"4\"/>", false,
                  true, true},
        ParseCase{u"<r/><![CDATA[x", "r[0,4,4,0]",
                  "<unterminated_tag_syntax type=\"cdata_section\" offset=\"4\"/>", false, true,
                  true},
        ParseCase{u"<r/><!DOCTYPE r", "r[0,4,4,0]",
                  "<unterminated_tag_syntax type=\"document_type\" offset=\"4\"/>", false, true,
                  true},
        ParseCase{u"<r/><", "r[0,4,4,0]", "<unterminated_tag_syntax type=\"tag\" offset=\"4\"/>",
                  false, true, true},
        ParseCase{u"<r a='>", "",
                  "<unterminated_tag_syntax type=\"start_tag\" offset=\"0\"/><no_root_element/>",
                  false, true, true},
        ParseCase{u"<?>", "",
                  "<unterminated_tag_syntax type=\"processing_instruction\" offset=\"0\"/>"
                  "<no_root_element/>",
                  false, true, true}));

TEST(Parse, IgnoreCaseClosesAcrossLetterCase) {
    CXmlDoc doc;
    doc.modeFlags = ModeIgnoreCase;
    EXPECT_TRUE(doc.SetText(u"<A><b></B></a>"));
    EXPECT_EQ(CheckIndexInvariants(doc), "");
    EXPECT_EQ(DescribeIndex(doc), "A[0,14,3,4](b[3,7,3,4])");
    EXPECT_EQ(doc.report, u"");
}

TEST(Parse, DocumentRecordSpansTheText) {
    CXmlDoc doc(u"<r><a/></r>  ");
    const XmlElementRec& root = doc.elements[0];
    EXPECT_EQ(root.start, 0);
    EXPECT_EQ(root.length, 13);
    EXPECT_EQ(root.tagLengths, 0u);
    EXPECT_EQ(root.firstChild, 1);
    EXPECT_EQ(doc.usedCount, 3);
    const XmlElementRec& a = doc.elements[2];
    EXPECT_EQ(a.Level(), 1u);
    EXPECT_EQ(doc.elements[1].Level(), 0u);
    EXPECT_EQ(a.prevSibling, 2);
    EXPECT_TRUE(a.Has(ElemFirstChild));
}

TEST(Parse, ReportStopsGrowingAtTheLimit) {
    std::u16string text = u"<r>";
    for (int i = 0; i < 200; ++i)
        text += u"< x>";
    text += u"</r>";
    CXmlDoc doc(text);
    EXPECT_EQ(CheckIndexInvariants(doc), "");
    EXPECT_GE(doc.report.size(), kReportLimit);
    EXPECT_LT(doc.report.size(), kReportLimit + 40);
    // Entries stay whole: the report parses into complete entries only.
    CXmlDoc entries(doc.report);
    EXPECT_FALSE(entries.elements[0].Has(DocIllFormed));
}

TEST(Parse, EmbeddedZeroEndsTheText) {
    CXmlDoc doc(std::u16string(u"<a/>\0<b/>", 9));
    EXPECT_EQ(doc.text, u"<a/>");
    EXPECT_EQ(DescribeIndex(doc), "a[0,4,4,0]");
}

TEST(Parse, FileModesRefuseSetTextAndChangeNothing) {
    for (uint32_t mode : {ModeReadFile, ModeWriteFile}) {
        CXmlDoc doc(u"<a/>");
        doc.modeFlags = mode;
        EXPECT_FALSE(doc.SetText(u"<b/>"));
        EXPECT_EQ(doc.text, u"<a/>");
        EXPECT_EQ(DescribeIndex(doc), "a[0,4,4,0]");
    }
}

TEST(Parse, SoundStructureInFileModes) {
    CXmlDoc doc(u"<a/><b/>");
    EXPECT_FALSE(doc.HasSoundStructure());
    doc.modeFlags = ModeWriteFile;
    EXPECT_TRUE(doc.HasSoundStructure());
    doc.modeFlags = ModeReadFile;
    EXPECT_TRUE(doc.HasSoundStructure()); // not ill formed, two roots do not matter
    doc.modeFlags = 0;
    doc.SetText(u"<a>");
    doc.modeFlags = ModeReadFile;
    EXPECT_FALSE(doc.HasSoundStructure());
}

TEST(Parse, ReparseReusesAndGrowsTheTable) {
    std::u16string many = u"<r>";
    for (int i = 0; i < 100000; ++i)
        many += u"<e/>";
    many += u"</r>";
    CXmlDoc doc(many);
    EXPECT_EQ(CheckIndexInvariants(doc), "");
    EXPECT_EQ(doc.usedCount, 100002);
    const int32_t grown = doc.elements.capacity;
    EXPECT_GE(grown, 100002);
    EXPECT_TRUE(doc.SetText(u"<a/>"));
    EXPECT_EQ(doc.elements.capacity, grown);
    EXPECT_EQ(doc.usedCount, 2);
    EXPECT_EQ(CheckIndexInvariants(doc), "");
}

} // namespace
