#include <gtest/gtest.h>

#include "markup/name_path.h"
#include "test_support.h"

namespace {

struct SyntaxCase {
    std::u16string_view name;
    int32_t kind; // PathInvalid when the check must fail
    int32_t index;
    int32_t attrIndex;
    int32_t valueLength;
};

void PrintTo(const SyntaxCase& c, std::ostream* os) {
    *os << '"' << Narrow(c.name) << '"';
}

class NamePathSyntax : public testing::TestWithParam<SyntaxCase> {};

TEST_P(NamePathSyntax, KindAndOffsets) {
    const SyntaxCase& c = GetParam();
    XmlNamePath path(c.name);
    EXPECT_EQ(path.CheckSyntax(), c.kind != PathInvalid);
    EXPECT_EQ(path.pathKind, c.kind);
    if (c.kind == PathInvalid)
        return;
    EXPECT_EQ(path.index, c.index);
    EXPECT_EQ(path.attrIndex, c.attrIndex);
    EXPECT_EQ(path.valueLength, c.valueLength);
}

using namespace std::string_view_literals;

// Kinds, steps and the attribute step.
INSTANTIATE_TEST_SUITE_P(
    Steps, NamePathSyntax,
    testing::Values(
        SyntaxCase{u"", PathAnyElement, 0, 0, 0},
        SyntaxCase{u"\0Version"sv, PathAnyElement, 0, 0, 0},
        SyntaxCase{u"Version", PathRelative, 0, 0, 0},
        SyntaxCase{u"Ver\0 x"sv, PathRelative, 0, 0, 0},
        SyntaxCase{u"/Version", PathAbsolute, 1, 0, 0},
        SyntaxCase{u"//Version", PathAnywhere, 2, 0, 0}, SyntaxCase{u"/", PathInvalid, 0, 0, 0},
        SyntaxCase{u"//", PathInvalid, 0, 0, 0}, SyntaxCase{u"///a", PathInvalid, 0, 0, 0},
        SyntaxCase{u"a/b/c", PathRelative, 0, 0, 0}, SyntaxCase{u"/a/b", PathAbsolute, 1, 0, 0},
        SyntaxCase{u"a//b", PathRelative, 0, 0, 0}, SyntaxCase{u"a/", PathInvalid, 0, 0, 0},
        SyntaxCase{u"/a/", PathInvalid, 0, 0, 0}, SyntaxCase{u"//a/b", PathInvalid, 0, 0, 0},
        SyntaxCase{u"//a/@x", PathInvalid, 0, 0, 0}, SyntaxCase{u"a/@id", PathRelative, 0, 3, 0},
        SyntaxCase{u"/a/b/@id", PathAbsolute, 1, 6, 0},
        SyntaxCase{u"a/@id/b", PathRelative, 0, 0, 0}, SyntaxCase{u"a/@i d", PathInvalid, 0, 0, 0},
        SyntaxCase{u"a[1]/b[@c]/@d", PathRelative, 0, 12, 0},
        SyntaxCase{u"Version x", PathInvalid, 0, 0, 0}, SyntaxCase{u"a=b", PathInvalid, 0, 0, 0},
        SyntaxCase{u"a]", PathInvalid, 0, 0, 0}, SyntaxCase{u" a", PathInvalid, 0, 0, 0}));

// One predicate per step: position, attribute test with or without value, child-name test.
INSTANTIATE_TEST_SUITE_P(
    Predicates, NamePathSyntax,
    testing::Values(
        SyntaxCase{u"Version[2]", PathRelative, 0, 0, 0},
        SyntaxCase{u"Version[10]", PathRelative, 0, 0, 0},
        SyntaxCase{u"[1]", PathRelative, 0, 0, 0}, SyntaxCase{u"/[1]", PathAbsolute, 1, 0, 0},
        SyntaxCase{u"Version[0]", PathRelative, 0, 0, 0}, // a child named 0
        SyntaxCase{u"Version[2x]", PathInvalid, 0, 0, 0},
        SyntaxCase{u"Version[2", PathInvalid, 0, 0, 0},
        SyntaxCase{u"Version[", PathInvalid, 0, 0, 0}, SyntaxCase{u"a[1][2]", PathInvalid, 0, 0, 0},
        SyntaxCase{u"a[b]", PathRelative, 0, 0, 0}, SyntaxCase{u"a[b=1]", PathInvalid, 0, 0, 0},
        SyntaxCase{u"a[b c]", PathInvalid, 0, 0, 0}, SyntaxCase{u"a[@id]", PathRelative, 0, 0, 0},
        SyntaxCase{u"a[@id=x]", PathRelative, 0, 0, 1},
        SyntaxCase{u"a[@id=]", PathRelative, 0, 0, 0},
        SyntaxCase{u"a[@id='x y']", PathRelative, 0, 0, 3},
        SyntaxCase{u"a[@id=\"x]\"]", PathRelative, 0, 0, 2},
        SyntaxCase{u"a[@id='x\"']/@k", PathRelative, 0, 13, 2},
        SyntaxCase{u"a[@id='x]", PathInvalid, 0, 0, 0},
        SyntaxCase{u"a[@id='x'", PathInvalid, 0, 0, 0},
        SyntaxCase{u"a[@id='x'y]", PathInvalid, 0, 0, 0},
        SyntaxCase{u"a[@id=x", PathInvalid, 0, 0, 0}, SyntaxCase{u"a[@id", PathInvalid, 0, 0, 0}));

TEST(NamePath, RecheckingResetsTheOffsets) {
    XmlNamePath path(u"a[@k='vv']/@x");
    ASSERT_TRUE(path.CheckSyntax());
    ASSERT_EQ(path.attrIndex, 12);
    path.path = u"b";
    EXPECT_TRUE(path.CheckSyntax());
    EXPECT_EQ(path.attrIndex, 0);
    EXPECT_EQ(path.valueLength, 0);
    EXPECT_EQ(path.FirstStep(), u"b");
}

} // namespace
