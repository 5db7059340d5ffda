#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>

#include "invariants.h"
#include "markup/xml_doc.h"
#include "test_support.h"

namespace {

// Index of the top-level element's child at position p, counting from 1; 0 for none.
int ChildNumber(const CXmlDoc& doc, int32_t p) {
    int n = 1;
    for (int32_t c = doc.elements[doc.elements[0].firstChild].firstChild; c != 0;
         c = doc.elements[c].nextSibling, ++n) {
        if (c == p)
            return n;
    }
    return 0;
}

struct MatchCase {
    const char16_t* name;
    int child; // which child of the root LocateChild finds first, 0 for none
};

void PrintTo(const MatchCase& c, std::ostream* os) {
    *os << '"' << Narrow(c.name) << '"';
}

constexpr const char16_t* kMatchDoc =
    u"<r><a x='1'/><Version>1</Version><Version>2</Version><Vers/>"
    u"<VersionX/><b><Exe/></b><\u00E9t\u00E9/></r>";

class ChildMatch : public testing::TestWithParam<MatchCase> {};

TEST_P(ChildMatch, FirstMatchingChild) {
    const MatchCase& c = GetParam();
    CXmlDoc doc(kMatchDoc);
    const int32_t root = doc.elements[0].firstChild;
    EXPECT_EQ(doc.LocateChild(c.name), c.child != 0);
    EXPECT_EQ(ChildNumber(doc, doc.childPos), c.child);
    // The root becomes current whether or not the child is found.
    EXPECT_EQ(doc.currentPos, root);
    EXPECT_EQ(doc.parentPos, 0);
    EXPECT_EQ(doc.nodeKind, NodeElement);
    EXPECT_EQ(doc.nodeOffset, 0);
    EXPECT_EQ(doc.nodeLength, 0);
}

// A relative name matches up to its first path delimiter; others match nothing.
INSTANTIATE_TEST_SUITE_P(
    Names, ChildMatch,
    testing::Values(MatchCase{u"", 1}, MatchCase{u"a", 1}, MatchCase{u"Version", 2},
                    MatchCase{u"Version[2]", 2}, MatchCase{u"Version[@id='x']", 2},
                    MatchCase{u"Version/x", 2}, MatchCase{u"Version/@a", 2}, MatchCase{u"Vers", 4},
                    MatchCase{u"VersionX", 5}, MatchCase{u"b", 6}, MatchCase{u"\u00E9t\u00E9", 7},
                    MatchCase{u"/Version", 0}, MatchCase{u"//Version", 0}, MatchCase{u"/r", 0},
                    MatchCase{u"Version x", 0}, MatchCase{u"Version[", 0},
                    MatchCase{u"Version/", 0}, MatchCase{u"version", 0}, MatchCase{u"Versio", 0},
                    MatchCase{u"Exe", 0}, MatchCase{u"r", 0}, MatchCase{u"x", 0},
                    MatchCase{u"a x", 0}));

TEST(ChildMatch, IgnoreCaseFoldsAsciiOnly) {
    CXmlDoc doc(kMatchDoc);
    doc.modeFlags |= ModeIgnoreCase;
    EXPECT_TRUE(doc.LocateChild(u"VERSION"));
    EXPECT_EQ(ChildNumber(doc, doc.childPos), 2);
    doc.RewindChildren();
    EXPECT_FALSE(doc.LocateChild(u"\u00C9T\u00C9"));
    EXPECT_TRUE(doc.LocateChild(u"\u00E9t\u00E9"));
    EXPECT_EQ(ChildNumber(doc, doc.childPos), 7);
}

TEST(LocateChild, ContinuesAfterTheCurrentChild) {
    CXmlDoc doc(kMatchDoc);
    EXPECT_TRUE(doc.LocateChild(u"Version"));
    EXPECT_TRUE(doc.LocateChild(u"Version"));
    EXPECT_EQ(ChildNumber(doc, doc.childPos), 3);
    EXPECT_FALSE(doc.LocateChild(u"Version"));
    EXPECT_EQ(ChildNumber(doc, doc.childPos), 3); // a miss leaves the position
    EXPECT_FALSE(doc.LocateChild(u"a"));
    doc.RewindChildren();
    EXPECT_EQ(doc.childPos, 0);
    EXPECT_EQ(doc.nodeKind, NodeElement);
    EXPECT_TRUE(doc.LocateChild(u"a"));
}

TEST(LocateChild, EmptyNameWalksAllChildren) {
    CXmlDoc doc(kMatchDoc);
    int found = 0;
    while (doc.LocateChild(u"")) {
        ++found;
        EXPECT_EQ(ChildNumber(doc, doc.childPos), found);
    }
    EXPECT_EQ(found, 7);
}

TEST(LocateChild, EmptyDocument) {
    for (const char16_t* text : {u"", u"just text", u"<!-- c -->"}) {
        CXmlDoc doc(text);
        EXPECT_FALSE(doc.LocateChild(u"")) << Narrow(text);
        EXPECT_EQ(doc.currentPos, 0);
        EXPECT_EQ(doc.childPos, 0);
        EXPECT_EQ(doc.nodeKind, 0);
        doc.RewindChildren();
        EXPECT_EQ(doc.nodeKind, 0);
        EXPECT_EQ(doc.ReadChildText(), u"");
    }
}

TEST(LocateChild, ParseStartsOverAtTheRoot) {
    CXmlDoc doc(u"<r><a/><b/></r>");
    ASSERT_TRUE(doc.LocateChild(u"b"));
    ASSERT_TRUE(doc.SetText(u"<s><b/><a/></s>"));
    EXPECT_EQ(doc.currentPos, 0);
    EXPECT_TRUE(doc.LocateChild(u"b"));
    EXPECT_EQ(ChildNumber(doc, doc.childPos), 1);
}

TEST(LocateChild, FileAttachedModesRefuse) {
    for (uint32_t mode : {ModeReadFile, ModeWriteFile}) {
        CXmlDoc doc(kMatchDoc);
        doc.modeFlags |= mode;
        EXPECT_FALSE(doc.LocateChild(u"a"));
        EXPECT_EQ(doc.currentPos, 0);
        EXPECT_EQ(doc.childPos, 0);
    }
}

TEST(LocateElement, MovesAmongSiblings) {
    CXmlDoc doc(u"<r><a/><b/><a/></r>");
    const int32_t root = doc.elements[0].firstChild;
    EXPECT_TRUE(doc.LocateElement(u"r"));
    EXPECT_EQ(doc.currentPos, root);
    EXPECT_FALSE(doc.LocateElement(u"")); // no second top-level element
    EXPECT_EQ(doc.currentPos, root);

    ASSERT_TRUE(doc.LocateChild(u"b"));
    const int32_t b = doc.childPos;
    doc.parentPos = root;
    doc.currentPos = doc.elements[root].firstChild;
    EXPECT_TRUE(doc.LocateElement(u"a"));
    EXPECT_EQ(doc.currentPos, doc.elements[b].nextSibling);
    EXPECT_EQ(doc.parentPos, root);
    EXPECT_EQ(doc.childPos, 0);
    EXPECT_EQ(doc.nodeKind, NodeElement);
    EXPECT_FALSE(doc.LocateElement(u"b"));
}

TEST(LocateElement, TopLevelOfAnIllFormedDocument) {
    CXmlDoc doc(u"<a/><b/>");
    EXPECT_TRUE(doc.LocateElement(u"b"));
    EXPECT_EQ(doc.ReadTagName(doc.currentPos), u"b");
    EXPECT_EQ(doc.parentPos, 0);
}

TEST(LocateElement, RefusesInWriteModeAndWithoutStorage) {
    CXmlDoc doc(u"<r/>");
    doc.modeFlags |= ModeReadFile;
    EXPECT_TRUE(doc.LocateElement(u"r"));
    doc.currentPos = 0;
    doc.modeFlags = ModeWriteFile;
    EXPECT_FALSE(doc.LocateElement(u"r"));
    doc.modeFlags = 0;
    doc.elements.Release();
    EXPECT_FALSE(doc.LocateElement(u"r"));
    EXPECT_FALSE(doc.LocateChild(u""));
    EXPECT_EQ(doc.currentPos, 0);
}

// The configuration-reading sequence: each value is looked up from the first child.
std::map<std::u16string, std::u16string> ReadConfig(CXmlDoc& doc) {
    std::map<std::u16string, std::u16string> values;
    for (const char16_t* key : {u"Version", u"Exe", u"LastVersion"}) {
        doc.RewindChildren();
        if (doc.LocateChild(key))
            values[key] = doc.ReadChildText();
    }
    return values;
}

TEST(ConfigSequence, ChildrenInEveryOrder) {
    std::array<std::u16string, 3> children = {u"<Exe>a.exe</Exe>", u"<LastVersion/>",
                                              u"<Version>1.2.3</Version>"};
    const std::map<std::u16string, std::u16string> expected = {
        {u"Version", u"1.2.3"}, {u"Exe", u"a.exe"}, {u"LastVersion", u""}};
    int orders = 0;
    do {
        std::u16string text = u"<config>\r\n";
        for (const auto& child : children)
            text += u"  " + child + u"\r\n";
        CXmlDoc doc(text + u"</config>");
        EXPECT_EQ(ReadConfig(doc), expected) << Narrow(text);
        ++orders;
    } while (std::next_permutation(children.begin(), children.end()));
    EXPECT_EQ(orders, 6);
}

TEST(ConfigSequence, MissingAndNestedChildrenAreNotFound) {
    struct Case {
        const char16_t* text;
        std::map<std::u16string, std::u16string> values;
    };
    const Case cases[] = {
        {u"<c><Version>1.2.3</Version><Exe>a.exe</Exe></c>",
         {{u"Version", u"1.2.3"}, {u"Exe", u"a.exe"}}},
        {u"<c><Exe>a.exe</Exe></c>", {{u"Exe", u"a.exe"}}},
        {u"<c/>", {}},
        {u"<c><x><Version>9</Version><Exe>x.exe</Exe></x></c>", {}},
        {u"<c><x><Version>9</Version></x><Version>1</Version></c>", {{u"Version", u"1"}}},
        {u"<c><Version><Version>9</Version></Version></c>", {{u"Version", u""}}},
        {u"<Version>1</Version>", {}},
        {u"<c><version>1</version><EXE>e</EXE></c>", {}},
        {u"<c><Version>1</Version><Version>2</Version></c>", {{u"Version", u"1"}}},
        {u"<?xml version='1.0'?>\r\n<!-- c --><c>\r\n<Exe> spaced name.exe </Exe></c>",
         {{u"Exe", u" spaced name.exe "}}},
    };
    for (const Case& c : cases) {
        CXmlDoc doc(c.text);
        EXPECT_EQ(ReadConfig(doc), c.values) << Narrow(c.text);
        EXPECT_EQ(doc.currentPos, doc.elements[0].firstChild);
    }
}

TEST(ConfigSequence, WithoutRewindAnEarlierChildIsMissed) {
    CXmlDoc doc(u"<c><Version>1.2.3</Version><Exe>a.exe</Exe></c>");
    ASSERT_TRUE(doc.LocateChild(u"Version"));
    EXPECT_EQ(doc.currentPos, doc.elements[0].firstChild);
    EXPECT_EQ(doc.ReadChildText(), u"1.2.3");
    doc.RewindChildren();
    ASSERT_TRUE(doc.LocateChild(u"Exe"));
    EXPECT_EQ(doc.ReadChildText(), u"a.exe");
    EXPECT_FALSE(doc.LocateChild(u"Version"));
    EXPECT_EQ(doc.ReadChildText(), u"a.exe");
    EXPECT_EQ(CheckIndexInvariants(doc), "");
}

} // namespace
