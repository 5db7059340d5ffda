#include <gtest/gtest.h>

#include "invariants.h"
#include "markup/xml_doc.h"
#include "reparse_compare.h"
#include "test_support.h"

namespace {

using namespace std::string_view_literals;

struct DataCase {
    const char16_t* text;
    int32_t element;
    const char16_t* data;
    const char16_t* expected;
    const char* index; // DescribeIndex after the replacement
};

void PrintTo(const DataCase& c, std::ostream* os) {
    *os << Narrow(c.text) << " <- " << Narrow(c.data);
}

class ReplaceDataTable : public testing::TestWithParam<DataCase> {};

TEST_P(ReplaceDataTable, TextAndIndex) {
    const DataCase& c = GetParam();
    CXmlDoc doc(c.text);
    doc.parentPos = 1;
    doc.currentPos = 1;
    doc.childPos = c.element;
    doc.nodeKind = NodeElement;
    ASSERT_TRUE(doc.ReplaceElementData(c.element, c.data));
    EXPECT_EQ(Narrow(doc.text), Narrow(c.expected));
    EXPECT_EQ(DescribeIndex(doc), c.index);
    EXPECT_EQ(CheckIndexInvariants(doc), "");
    CXmlDoc fresh(doc.text);
    EXPECT_EQ(DescribeIndex(doc), DescribeIndex(fresh));
    EXPECT_EQ(doc.parentPos, 1);
    EXPECT_EQ(doc.currentPos, 1);
    EXPECT_EQ(doc.childPos, c.element);
    EXPECT_EQ(doc.nodeKind, NodeElement);
}

INSTANTIATE_TEST_SUITE_P(
    ReplaceElementData, ReplaceDataTable,
    testing::Values(
        // Same length: only the content changes.
        DataCase{u"<r><Version>1.0.0</Version><b/></r>", 2, u"1.0.1",
                 u"<r><Version>1.0.1</Version><b/></r>",
                 "r[0,35,3,4](Version[3,24,9,10] b[27,4,4,0])"},
        // One unit longer: what follows moves, what encloses grows.
        DataCase{u"<r><Version>1.0.0</Version><b><c/></b></r>", 2, u"1.0.10",
                 u"<r><Version>1.0.10</Version><b><c/></b></r>",
                 "r[0,43,3,4](Version[3,25,9,10] b[28,11,3,4](c[31,4,4,0]))"},
        DataCase{u"<r><LastVersion/><b/></r>", 2, u"1.0.0",
                 u"<r><LastVersion>1.0.0</LastVersion><b/></r>",
                 "r[0,43,3,4](LastVersion[3,32,13,14] b[35,4,4,0])"},
        DataCase{u"<r><v /></r>", 2, u"new", u"<r><v >new</v></r>", "r[0,18,3,4](v[3,11,4,4])"},
        DataCase{u"<r><v></r>", 2, u"x", u"<r><v>x</v></r>", "r[0,15,3,4](v[3,8,3,4])"},
        DataCase{u"<v>x</v>", 1, u"", u"<v></v>", "v[0,7,3,4]"},
        DataCase{u"<v/>", 1, u"", u"<v></v>", "v[0,7,3,4]"},
        DataCase{u"<v>", 1, u"", u"<v></v>", "v[0,7,3,4]"},
        DataCase{u"<v>old</v>", 1, u"a<b & \"c\" 'd'", u"<v>a&lt;b &amp; \"c\" 'd'</v>",
                 "v[0,27,3,4]"},
        // References and section ends are text like any other.
        DataCase{u"<v/>", 1, u"&amp; ]]> &#65;", u"<v>&amp;amp; ]]&gt; &amp;#65;</v>",
                 "v[0,33,3,4]"},
        // Comments, sections and instructions in the content go with it.
        DataCase{u"<v>x<!--c-->y<![CDATA[z]]><?p?></v>", 1, u"n", u"<v>n</v>", "v[0,8,3,4]"},
        // A lone end tag in the content goes too, and with it the error mark.
        DataCase{u"<r><v>a</x>b</v></r>", 2, u"ok", u"<r><v>ok</v></r>", "r[0,16,3,4](v[3,9,3,4])"},
        // Line ends around the element are kept.
        DataCase{u"<r>\r\n<v>old</v>\r\n<w/>\r\n</r>", 2, u"newer",
                 u"<r>\r\n<v>newer</v>\r\n<w/>\r\n</r>", "r[0,29,3,4](v[5,12,3,4] w[19,4,4,0])"},
        // Non-ASCII and surrogate pairs are copied unchanged.
        DataCase{u"<v/>", 1, u"\u00E9\U0001F600", u"<v>\u00E9\U0001F600</v>", "v[0,10,3,4]"}));

TEST(ReplaceElementData, ClearsTheErrorMark) {
    CXmlDoc doc(u"<r><v>a</x>b</v></r>");
    ASSERT_TRUE(doc.elements[2].Has(ElemHasError));
    ASSERT_TRUE(doc.ReplaceElementData(2, u"ok"));
    EXPECT_FALSE(doc.elements[2].Has(ElemHasError));
}

TEST(ReplaceElementData, KeepsRecordAndLinks) {
    CXmlDoc doc(u"<r><a/><v/><b/></r>");
    ASSERT_TRUE(doc.ReplaceElementData(3, u"x"));
    const XmlElementRec& v = doc.elements[3];
    EXPECT_EQ(v.start, 7);
    EXPECT_EQ(v.parent, 1);
    EXPECT_EQ(v.prevSibling, 2);
    EXPECT_EQ(v.nextSibling, 4);
    EXPECT_FALSE(v.Has(ElemFirstChild));
    EXPECT_EQ(v.Level(), 1u);
    EXPECT_EQ(doc.usedCount, 5);
}

struct RefusalCase {
    const char* what;
    const char16_t* text;
    int32_t element;
    uint32_t modeFlags;
    uint32_t extraFlags; // set on the element's record before the call
};

void PrintTo(const RefusalCase& c, std::ostream* os) {
    *os << c.what;
}

class ReplaceDataRefusals : public testing::TestWithParam<RefusalCase> {};

TEST_P(ReplaceDataRefusals, ChangeNothing) {
    const RefusalCase& c = GetParam();
    CXmlDoc doc(c.text);
    const std::u16string before = doc.text;
    if (c.extraFlags != 0)
        doc.elements[c.element].Set(c.extraFlags);
    const std::string index = DescribeIndex(doc);
    doc.modeFlags = c.modeFlags;
    EXPECT_FALSE(doc.ReplaceElementData(c.element, u"x"));
    EXPECT_EQ(doc.text, before);
    EXPECT_EQ(DescribeIndex(doc), index);
}

INSTANTIATE_TEST_SUITE_P(
    ReplaceElementData, ReplaceDataRefusals,
    testing::Values(RefusalCase{"has a child element", u"<r><c/></r>", 1, 0, 0},
                    RefusalCase{"document record", u"<r/>", 0, 0, 0},
                    RefusalCase{"negative position", u"<r/>", -1, 0, 0},
                    RefusalCase{"position not handed out", u"<r/>", 2, 0, 0},
                    RefusalCase{"position far outside", u"<r/>", 0x7FFF0000, 0, 0},
                    RefusalCase{"freed record", u"<r><v/></r>", 2, 0, ElemFreed},
                    RefusalCase{"read-file mode", u"<r/>", 1, ModeReadFile, 0},
                    // No current element in write-file mode.
                    RefusalCase{"write-file mode", u"<r/>", 1, ModeWriteFile, 0}));

TEST(ReplaceElementData, RefusesAnEndTagTooLongForItsField) {
    const std::u16string fits(kMaxEndTagLength - 3, u'n');
    CXmlDoc ok(u"<" + fits + u"/>");
    ASSERT_TRUE(ok.ReplaceElementData(1, u"x"));
    EXPECT_EQ(ok.elements[1].EndTagLength(), kMaxEndTagLength);
    EXPECT_EQ(CheckIndexInvariants(ok), "");

    const std::u16string overlong(kMaxEndTagLength - 2, u'n');
    CXmlDoc doc(u"<" + overlong + u"/>");
    EXPECT_FALSE(doc.ReplaceElementData(1, u"x"));
    EXPECT_EQ(doc.text, u"<" + overlong + u"/>");
}

// The updater's commit: LastVersion gets the replaced version, Version the new one.
struct CommitCase {
    const char* what;
    const char16_t* config;
    const char16_t* expected;
};

void PrintTo(const CommitCase& c, std::ostream* os) {
    *os << c.what;
}

std::u16string ReadTextOf(CXmlDoc& doc, std::u16string_view name) {
    doc.RewindChildren();
    return doc.LocateChild(name) ? doc.ReadChildText() : std::u16string();
}

class CommitSequence : public testing::TestWithParam<CommitCase> {};

// The updater's sequence: find the child under the root afresh, then replace its data.
bool ReplaceChildData(CXmlDoc& doc, std::u16string_view name, std::u16string_view data) {
    doc.RewindChildren();
    doc.LocateChild(name);
    return doc.ReplaceElementData(doc.childPos, data);
}

TEST_P(CommitSequence, ChangesOnlyTheTwoElements) {
    const CommitCase& c = GetParam();
    CXmlDoc doc(c.config);
    const bool hasLastVersion =
        std::u16string_view(c.config).find(u"<LastVersion") != std::u16string_view::npos;
    EXPECT_EQ(ReplaceChildData(doc, u"LastVersion", u"1.0.3"), hasLastVersion);
    EXPECT_TRUE(ReplaceChildData(doc, u"Version", u"1.0.4"));
    EXPECT_EQ(Narrow(doc.text), Narrow(c.expected));
    EXPECT_EQ(CheckIndexInvariants(doc), "");
    EXPECT_EQ(DifferenceFromReparse(doc), "");
    EXPECT_EQ(ReadTextOf(doc, u"LastVersion"), hasLastVersion ? u"1.0.3" : u"");
    EXPECT_EQ(ReadTextOf(doc, u"Version"), u"1.0.4");
}

INSTANTIATE_TEST_SUITE_P(
    ReplaceElementData, CommitSequence,
    testing::Values(
        CommitCase{"empty LastVersion",
                   u"<?xml version=\"1.0\"?>\r\n<config>\r\n<Version>1.0.3</Version>\r\n"
                   u"<Exe>main.exe</Exe>\r\n<LastVersion></LastVersion>\r\n</config>\r\n",
                   u"<?xml version=\"1.0\"?>\r\n<config>\r\n<Version>1.0.4</Version>\r\n"
                   u"<Exe>main.exe</Exe>\r\n<LastVersion>1.0.3</LastVersion>\r\n</config>\r\n"},
        CommitCase{"missing LastVersion",
                   u"<config>\r\n  <Version>1.0.3</Version>\r\n  <Exe>main.exe</Exe>\r\n</config>",
                   u"<config>\r\n  <Version>1.0.4</Version>\r\n  <Exe>main.exe</Exe>\r\n</config>"},
        CommitCase{
            "one-tag LastVersion, other order",
            u"<c>\r\n\t<Exe>a.exe</Exe>\r\n\t<LastVersion/>\r\n\t<Version>1.0.3</Version>\r\n</c>",
            u"<c>\r\n\t<Exe>a.exe</Exe>\r\n\t<LastVersion>1.0.3</LastVersion>\r\n"
            u"\t<Version>1.0.4</Version>\r\n</c>"},
        CommitCase{"spaced one-tag LastVersion", u"<c><Version>1.0.3</Version><LastVersion /></c>",
                   u"<c><Version>1.0.4</Version><LastVersion >1.0.3</LastVersion></c>"},
        CommitCase{
            "comments around",
            u"<!-- top -->\r\n<c>\r\n<!-- v --><Version><!-- old -->1.0.3</Version>"
            u"<!-- x -->\r\n<LastVersion>1.0.1</LastVersion><!-- y -->\r\n</c>\r\n<!-- end -->",
            u"<!-- top -->\r\n<c>\r\n<!-- v --><Version>1.0.4</Version>"
            u"<!-- x -->\r\n<LastVersion>1.0.3</LastVersion><!-- y -->\r\n</c>\r\n<!-- end -->"}));

TEST(ReplaceElementData, RemovalStepClearsLastVersionOnly) {
    const std::u16string config =
        u"<config>\r\n<Version>1.0.3</Version>\r\n<Exe>m.exe</Exe>\r\n"
        u"<!-- to remove -->\r\n<LastVersion>1.0.2</LastVersion>\r\n</config>";
    CXmlDoc doc(config);
    ASSERT_TRUE(ReplaceChildData(doc, u"LastVersion", u""));
    EXPECT_EQ(Narrow(doc.text), Narrow(u"<config>\r\n<Version>1.0.3</Version>\r\n<Exe>m.exe</Exe>"
                                       u"\r\n<!-- to remove -->\r\n<LastVersion></LastVersion>"
                                       u"\r\n</config>"));
    EXPECT_EQ(DifferenceFromReparse(doc), "");
}

// Whatever ReplaceElementData writes, ReadText reads back unchanged.
class DataRoundTrip : public testing::TestWithParam<std::u16string_view> {};

TEST_P(DataRoundTrip, ReadTextGivesTheTextBack) {
    const std::u16string_view data = GetParam();
    for (const char16_t* start : {u"<r><v/><w/></r>", u"<r><v>old &amp; <!--c--></v><w/></r>",
                                  u"<r><v></r>", u"<r><v /></r>"}) {
        CXmlDoc doc(start);
        ASSERT_TRUE(doc.ReplaceElementData(2, data)) << Narrow(start);
        EXPECT_EQ(Narrow(doc.ReadText(2)), Narrow(data)) << Narrow(start);
        EXPECT_EQ(DifferenceFromReparse(doc), "");
        // And again, over what was written.
        ASSERT_TRUE(doc.ReplaceElementData(2, data));
        EXPECT_EQ(Narrow(doc.ReadText(2)), Narrow(data));
    }
    // The data of a new element, escaped or as CDATA sections, reads back as well.
    for (uint32_t flags : {0u, INS_CDATA}) {
        CXmlDoc doc(u"<r/>");
        doc.currentPos = 1;
        doc.nodeKind = NodeElement;
        ASSERT_TRUE(doc.InsertElement(u"n", data, INS_AS_CHILD | flags));
        EXPECT_EQ(Narrow(doc.ReadText(doc.childPos)), Narrow(data)) << "flags " << flags;
    }
}

INSTANTIATE_TEST_SUITE_P(ReplaceElementData, DataRoundTrip,
                         testing::Values(u"1.0.4"sv, u"a<b & \"c\" 'd' >"sv, u"]]>"sv,
                                         u"x]]>y]]]]>>"sv, u"&amp; &lt; &#65; &#x42; &bogus; &"sv,
                                         u"<![CDATA[x]]>"sv, u"<!--c-->"sv, u"\u00E9\u4E2D\u00A0"sv,
                                         u"\U0001F600 \U00010348"sv, u"  \r\n\t "sv, u"a"sv,
                                         u""sv));

} // namespace
