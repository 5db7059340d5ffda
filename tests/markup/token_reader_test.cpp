#include <gtest/gtest.h>

#include <vector>

#include "markup/mode_flags.h"
#include "markup/token_reader.h"
#include "test_support.h"

namespace {

struct NodeExpect {
    int32_t kind;
    int32_t start;
    int32_t length;
    const char* token; // nullptr: not checked
    bool empty;        // NodeEmptyElement
};

struct ReadCase {
    const char16_t* text;
    std::vector<NodeExpect> nodes; // up to, not including, NodeEndOfText
};

void PrintTo(const ReadCase& c, std::ostream* os) {
    *os << Narrow(c.text);
}

class ReadNodeTable : public testing::TestWithParam<ReadCase> {};

TEST_P(ReadNodeTable, Sequence) {
    const ReadCase& c = GetParam();
    const std::u16string text = c.text;
    XmlTokenReader reader(text.c_str(), 0, 0);
    XmlNodeInfo node;
    for (const NodeExpect& e : c.nodes) {
        SCOPED_TRACE(e.start);
        EXPECT_EQ(reader.ReadNode(node), e.kind);
        EXPECT_EQ(node.kind, e.kind);
        EXPECT_EQ(node.start, e.start);
        EXPECT_EQ(node.length, e.length);
        EXPECT_EQ(reader.pos, e.start + e.length);
        if (e.token) {
            EXPECT_EQ(Narrow(reader.Token()), e.token);
        }
        EXPECT_EQ((node.flags & NodeEmptyElement) != 0, e.empty);
    }
    EXPECT_EQ(reader.ReadNode(node), NodeEndOfText);
    EXPECT_EQ(node.kind, 0);
    EXPECT_EQ(node.length, 0);
    EXPECT_EQ(reader.ReadNode(node), NodeEndOfText); // and it stays there
}

INSTANTIATE_TEST_SUITE_P(
    ReadNode, ReadNodeTable,
    testing::Values(
        ReadCase{u"<?xml version=\"1.0\"?>\r\n<r a=\"1\">x</r>",
                 {{NodeProcessingInstruction, 0, 21, "xml", false},
                  {NodeWhitespace, 21, 2, nullptr, false},
                  {NodeElement, 23, 9, "r", false},
                  {NodeText, 32, 1, nullptr, false},
                  {NodeEndTag, 33, 4, "r", false}}},
        ReadCase{u"", {}}, ReadCase{u"<a/>", {{NodeElement, 0, 4, "a", true}}},
        ReadCase{u"<a />", {{NodeElement, 0, 5, "a", true}}},
        ReadCase{u"<a x='1'/>", {{NodeElement, 0, 10, "a", true}}},
        ReadCase{u"<a x=\"1\"/>", {{NodeElement, 0, 10, "a", true}}},
        ReadCase{u"<a b/>", {{NodeElement, 0, 6, "a", false}}},
        ReadCase{u"<a x=\"1>2\" y='/>'>", {{NodeElement, 0, 18, "a", false}}},
        ReadCase{u"<a x = \"1>2\">", {{NodeElement, 0, 13, "a", false}}},
        // A quote not after "=" is plain, so the ">" after it ends the tag.
        ReadCase{u"<a \"x>y\">",
                 {{NodeElement, 0, 6, "a", false}, {NodeText, 6, 3, nullptr, false}}},
        ReadCase{u"<a\tx=1>", {{NodeElement, 0, 7, "a", false}}},
        ReadCase{u"</a >", {{NodeEndTag, 0, 5, "a", false}}},
        ReadCase{u"</>", {{NodeEndTag, 0, 3, "", false}}},
        ReadCase{u"a>b<c/>",
                 {{NodeText, 0, 2, nullptr, false},
                  {NodeText, 2, 1, nullptr, false},
                  {NodeElement, 3, 4, "c", true}}},
        ReadCase{u" \t x <a/>", {{NodeText, 0, 5, nullptr, false}, {NodeElement, 5, 4, "a", true}}},
        ReadCase{u"  ", {{NodeWhitespace, 0, 2, nullptr, false}}},
        ReadCase{u"<!-- a > b -- c --><x/>",
                 {{NodeComment, 0, 19, nullptr, false}, {NodeElement, 19, 4, "x", true}}},
        ReadCase{u"<![CDATA[a]>b]]>", {{NodeCData, 0, 16, nullptr, false}}},
        ReadCase{u"<?p a?b>c?>", {{NodeProcessingInstruction, 0, 11, "p", false}}},
        ReadCase{u"<!DOCTYPE r SYSTEM \"x\">", {{NodeDocType, 0, 23, nullptr, false}}},
        ReadCase{u"<!DOCTYPE r [<!ELEMENT r ANY><!ATTLIST r a CDATA \"x>\"><!NOTATION n "
                 u"SYSTEM 'y'>]>",
                 {{NodeDocType, 0, 80, nullptr, false}}},
        ReadCase{u"< a><b/>", {{NodeError, 0, 4, nullptr, false}, {NodeElement, 4, 4, "b", true}}},
        ReadCase{u"<>x<b/>", {{NodeError, 0, 3, nullptr, false}, {NodeElement, 3, 4, "b", true}}},
        ReadCase{u"<!x a=\">\">", {{NodeError, 0, 10, nullptr, false}}},
        ReadCase{u"<!-- x", {{NodeError, 0, 6, nullptr, false}}}));

TEST(ReadNode, ErrorEntriesGoToTheNodeReport) {
    const std::u16string text = u"<!DOCTYPE r [<!ENTITY e 'v'><!X>]>";
    XmlTokenReader reader(text.c_str(), 0, 0);
    XmlNodeInfo node;
    EXPECT_EQ(reader.ReadNode(node), NodeDocType);
    EXPECT_EQ(node.length, 34);
    EXPECT_EQ(node.report, u"<doctype_tag_syntax offset=\"28\"/>");
}

TEST(ReadNode, UnterminatedEntryUsesTheKindName) {
    struct Case {
        const char16_t* text;
        const char16_t* type;
    };
    for (const Case& c :
         {Case{u"<a x", u"start_tag"}, Case{u"</a", u"end_tag"},
          Case{u"<?p", u"processing_instruction"}, Case{u"<!--", u"comment"},
          Case{u"<![CDATA[", u"cdata_section"}, Case{u"<!DOCTYPE", u"document_type"},
          Case{u"<!DOCTYPE r [<!ENTITY", u"document_type"}, Case{u"<!", u"tag"}, Case{u"<", u"tag"},
          Case{u"< x", u"tag"}}) {
        const std::u16string text = c.text;
        XmlTokenReader reader(text.c_str(), 0, 0);
        XmlNodeInfo node;
        EXPECT_EQ(reader.ReadNode(node), NodeError) << Narrow(c.text);
        EXPECT_EQ(node.length, static_cast<int32_t>(text.size()));
        const std::u16string expected =
            u"<unterminated_tag_syntax type=\"" + std::u16string(c.type) + u"\" offset=\"0\"/>";
        if (text == u"< x") {
            EXPECT_EQ(node.report, u"<first_tag_syntax offset=\"0\"/>" + expected);
        } else {
            EXPECT_EQ(Narrow(node.report), Narrow(expected)) << Narrow(c.text);
        }
    }
}

TEST(ReadNode, ClosingMarkerMustFollowTheTextStart) {
    // At offset 0 the "?" of "<?" cannot close the instruction; further on it can.
    const std::u16string early = u"<?>";
    XmlTokenReader a(early.c_str(), 0, 0);
    XmlNodeInfo node;
    EXPECT_EQ(a.ReadNode(node), NodeError);
    const std::u16string later = u"<a><?></a>";
    XmlTokenReader b(later.c_str(), 3, 0);
    EXPECT_EQ(b.ReadNode(node), NodeProcessingInstruction);
    EXPECT_EQ(node.length, 3);
}

struct CompareCase {
    const char16_t* a;
    const char16_t* b;
    int result;
};

TEST(CompareIgnoreCase, Table) {
    for (const CompareCase& c :
         {CompareCase{u"abc", u"ABC", 0}, CompareCase{u"abc", u"abd", 'C' - 'D'},
          CompareCase{u"b", u"A", 'B' - 'A'}, CompareCase{u"[", u"{", '[' - '{'},
          CompareCase{u"a\u00e9", u"A\u00e9", 0}, CompareCase{u"\u00e9a", u"\u00e9A", 'a' - 'A'},
          CompareCase{u"\u00e9", u"\u00c9", 0xE9 - 0xC9}, CompareCase{u"", u"", 0}}) {
        const std::u16string a = c.a;
        EXPECT_EQ(CompareIgnoreCase(c.a, c.b, static_cast<int32_t>(a.size())), c.result)
            << Narrow(c.a) << " / " << Narrow(c.b);
    }
}

TEST(NameEquals, PathTailAndCase) {
    const std::u16string text = u"Version";
    XmlTokenReader reader(text.c_str(), 0, 0);
    ASSERT_TRUE(reader.NextName());
    for (const char16_t* name :
         {u"Version", u"Version[2]", u"Version/x", u"Version x", u"Version=1", u"Version]"})
        EXPECT_TRUE(reader.NameEquals(name)) << Narrow(name);
    for (const char16_t* name : {u"Versionx", u"Vers", u"version", u"", u"Version.x"})
        EXPECT_FALSE(reader.NameEquals(name)) << Narrow(name);
    EXPECT_TRUE(reader.NameEquals(std::u16string_view(u"Version\0x", 9)));
    reader.flags = ModeIgnoreCase;
    EXPECT_TRUE(reader.NameEquals(u"VERSION"));
    EXPECT_TRUE(reader.NameEquals(u"version/a"));
}

TEST(TokenReader, SkipSpaceAndNextName) {
    struct Case {
        const char16_t* text;
        bool found;
        const char* token;
        int32_t pos;
    };
    for (const Case& c :
         {Case{u"  abc=1", true, "abc", 5}, Case{u"=x", true, "=", 1},
          Case{u"\r\n\tname/>", true, "name", 7}, Case{u"a;b", true, "a", 1},
          Case{u"", false, "", 0}, Case{u" \t ", false, "", 3}, Case{u"x\\y", true, "x", 1}}) {
        const std::u16string text = c.text;
        XmlTokenReader reader(text.c_str(), 0, 0);
        EXPECT_EQ(reader.NextName(), c.found) << Narrow(c.text);
        EXPECT_EQ(Narrow(reader.Token()), c.token) << Narrow(c.text);
        EXPECT_EQ(reader.pos, c.pos) << Narrow(c.text);
    }
    const std::u16string text = u"  x";
    XmlTokenReader reader(text.c_str(), 0, 0);
    EXPECT_TRUE(reader.SkipSpace());
    EXPECT_EQ(reader.pos, 2);
    EXPECT_EQ(reader.TokenLength(), 0);
}

struct AttributeCase {
    const char16_t* text; // the reader starts at offset 1
    const char16_t* name; // nullptr: absent
    bool found;
    const char* token;
    bool quoted;
    int32_t attrStart; // -1: not checked
    int32_t attrSpace;
    int32_t pos; // -1: not checked
};

void PrintTo(const AttributeCase& c, std::ostream* os) {
    *os << Narrow(c.text) << " / " << (c.name ? Narrow(c.name) : "(absent)");
}

class LocateAttributeTable : public testing::TestWithParam<AttributeCase> {};

TEST_P(LocateAttributeTable, Result) {
    const AttributeCase& c = GetParam();
    const std::u16string text = c.text;
    XmlTokenReader reader(text.c_str(), 1, 0);
    std::optional<std::u16string_view> name;
    if (c.name)
        name = c.name;
    EXPECT_EQ(reader.LocateAttribute(name), c.found);
    if (c.found) {
        EXPECT_EQ(Narrow(reader.Token()), c.token);
        EXPECT_EQ((reader.flags & TokenQuoted) != 0, c.quoted);
    }
    if (c.attrStart >= 0) {
        EXPECT_EQ(reader.attrStart, c.attrStart);
        EXPECT_EQ(reader.attrSpace, c.attrSpace);
    }
    if (c.pos >= 0) {
        EXPECT_EQ(reader.pos, c.pos);
    }
}

INSTANTIATE_TEST_SUITE_P(
    LocateAttribute, LocateAttributeTable,
    testing::Values(AttributeCase{u"<a x=\"1\" y='2'>", u"y", true, "2", true, 8, 1, 14},
                    AttributeCase{u"<a x=\"1\" y='2'>", u"x", true, "1", true, 2, 1, 8},
                    AttributeCase{u"<a x=\"1\" y='2'>", u"z", false, "", false, -1, 0, 14},
                    AttributeCase{u"<a x=\"1\" y='2' />", u"z", false, "", false, -1, 0, 14},
                    AttributeCase{u"<a/>", u"z", false, "", false, -1, 0, 2},
                    AttributeCase{u"<a  >", u"z", false, "", false, -1, 0, 2},
                    AttributeCase{u"<a x=1 y=2>", u"y", true, "2", false, 6, 1, -1},
                    AttributeCase{u"<a  x = \"1\" />", u"x", true, "1", true, 2, 2, -1},
                    AttributeCase{u"<a x>", u"x", true, "x", false, 2, 1, 4},
                    AttributeCase{u"<a x y=\"2\">", u"x", true, "x", false, 2, 1, 4},
                    AttributeCase{u"<a x=\"1\">", nullptr, true, "x", false, -1, 0, -1},
                    AttributeCase{u"<a>", nullptr, false, "", false, -1, 0, 2},
                    AttributeCase{u"<a x=\"\">", u"x", true, "", true, -1, 0, -1},
                    AttributeCase{u"<a x=\"1\">", u"x/y", true, "1", true, -1, 0, -1},
                    AttributeCase{u"<a X=\"1\">", u"x", false, "", false, -1, 0, -1},
                    // An unquoted value ends at white space or ">", or before the "/>" of
                    // an empty-element tag; the tag's own end is never taken for a value.
                    AttributeCase{u"<a x=>", u"x", true, "", false, 2, 1, 5},
                    AttributeCase{u"<a x=/>", u"x", true, "/", false, 2, 1, 6},
                    AttributeCase{u"<a x=b/>", u"x", true, "b/", false, 2, 1, 7},
                    AttributeCase{u"<a b=x/>", u"b", true, "x/", false, 2, 1, 7},
                    AttributeCase{u"<a x=1/>", u"c", false, "", false, -1, 0, 7},
                    AttributeCase{u"<a x= />", u"x", true, "", false, 2, 1, 5},
                    AttributeCase{u"<a x=1\"/>", u"x", true, "1\"", false, 2, 1, 7},
                    AttributeCase{u"<a x=b/c>", u"x", true, "b/c", false, 2, 1, -1},
                    AttributeCase{u"<a x=\"1", u"x", true, "1", true, -1, 0, 7}));

TEST(LocateAttribute, InProcessingInstruction) {
    const std::u16string text = u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
    XmlTokenReader found(text.c_str(), 2, 0);
    EXPECT_TRUE(found.LocateAttribute(u"encoding"));
    EXPECT_EQ(found.Token(), u"UTF-8");
    EXPECT_EQ(found.attrStart, 19);
    EXPECT_EQ(found.attrSpace, 1);
    XmlTokenReader missing(text.c_str(), 2, 0);
    EXPECT_FALSE(missing.LocateAttribute(u"standalone"));
    EXPECT_EQ(missing.pos, 36); // before "?>"
}

TEST(LocateAttribute, IgnoreCase) {
    const std::u16string text = u"<a X=\"1\">";
    XmlTokenReader reader(text.c_str(), 1, ModeIgnoreCase);
    EXPECT_TRUE(reader.LocateAttribute(u"x"));
    EXPECT_EQ(reader.Token(), u"1");
}

} // namespace
