#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <random>
#include <vector>

#include "invariants.h"
#include "markup/escape.h"
#include "markup/xml_doc.h"
#include "test_support.h"

namespace {

// One generated element: its name, its children, and for a leaf the text its content
// must read as.
struct GenElement {
    std::u16string name;
    std::vector<std::unique_ptr<GenElement>> children;
    std::u16string expected;
};

class DocumentGenerator {
  public:
    explicit DocumentGenerator(unsigned seed) : rng_(seed) {}

    std::unique_ptr<GenElement> Element(int depth, std::u16string& out) {
        auto e = std::make_unique<GenElement>();
        e->name = Pick(kNames);
        out += u"<" + e->name;
        for (int n = Below(3); n > 0; --n)
            out += u" " + Pick(kAttrNames) + u"=\"" + EscapeMarkup(Text(), ESCF_QUOTES) + u"\"";
        const bool leaf = depth == 0 || Below(3) == 0;
        if (leaf && Below(4) == 0) {
            out += u"/>";
            return e;
        }
        out += u">";
        if (leaf) {
            Content(*e, out);
        } else {
            for (int n = 1 + Below(5); n > 0; --n) {
                out += Pick(kSpaces);
                e->children.push_back(Element(depth - 1, out));
            }
            out += Pick(kSpaces);
        }
        out += u"</" + e->name + u">";
        return e;
    }

  private:
    inline static const std::vector<std::u16string> kNames = {
        u"a", u"b", u"ab", u"Version", u"Exe", u"A", u"x.y", u"\u00E9t\u00E9"};
    inline static const std::vector<std::u16string> kAttrNames = {u"id", u"k", u"Version"};
    inline static const std::vector<std::u16string> kSpaces = {u"", u" ", u"\r\n  ", u"\t"};
    // Pieces of text: the five special characters, references, white space, non-ASCII
    // and a surrogate pair.
    inline static const std::vector<std::u16string> kPieces = {
        u"a",        u"Z",   u"1.2",    u"<",      u">",          u"&",     u"'",
        u"\"",       u" ",   u"\t",     u"\r\n",   u"&amp;",      u"&#65;", u"&lt",
        u"&eacute;", u"]]>", u"\u00E9", u"\u4E2D", u"\U0001F600", u"-->",   u";"};
    // Markup that may stand between text nodes: CDATA (kept), comments and PIs (dropped).
    inline static const std::vector<std::u16string> kCData = {u"", u"<&>", u"x y", u"a]b",
                                                              u"&amp;"};

    int Below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
    const std::u16string& Pick(const std::vector<std::u16string>& from) {
        return from[static_cast<size_t>(Below(static_cast<int>(from.size())))];
    }
    std::u16string Text() {
        std::u16string t;
        for (int n = Below(6); n > 0; --n)
            t += Pick(kPieces);
        return t;
    }
    static bool IsWhiteSpaceOnly(std::u16string_view t) {
        for (char16_t c : t) {
            if (!IsXmlWhiteSpace(c))
                return false;
        }
        return true;
    }

    // Text alone, or text segments separated by CDATA sections, comments and processing
    // instructions; white-space-only segments then read as nothing.
    void Content(GenElement& e, std::u16string& out) {
        std::vector<std::u16string> segments = {Text()};
        std::vector<std::u16string> cdata;
        for (int n = Below(4) == 0 ? 1 + Below(3) : 0; n > 0; --n) {
            const int kind = Below(3);
            std::u16string data = kind == 0 ? Pick(kCData) : std::u16string();
            out += EscapeMarkup(segments.back(), 0);
            out += kind == 0   ? u"<![CDATA[" + data + u"]]>"
                   : kind == 1 ? u"<!-- c -->"
                               : u"<?p q?>";
            cdata.push_back(data);
            segments.push_back(Text());
        }
        out += EscapeMarkup(segments.back(), 0);
        if (cdata.empty()) {
            e.expected = segments[0];
            return;
        }
        for (size_t i = 0; i < segments.size(); ++i) {
            if (!IsWhiteSpaceOnly(segments[i]))
                e.expected += segments[i];
            if (i < cdata.size())
                e.expected += cdata[i];
        }
    }

    std::mt19937 rng_;
};

// Checks the children of the element at pos against gen, through LocateChild: in order
// without rewinding, and by counted lookups from the first child.
void CheckChildren(CXmlDoc& doc, int32_t pos, const GenElement& gen, std::string& where) {
    doc.parentPos = doc.elements[pos].parent;
    doc.currentPos = pos;
    doc.RewindChildren();
    std::vector<int32_t> found;
    for (const auto& child : gen.children) {
        ASSERT_TRUE(doc.LocateChild(child->name)) << where << " child " << Narrow(child->name);
        found.push_back(doc.childPos);
        EXPECT_EQ(doc.currentPos, pos);
        EXPECT_EQ(doc.ReadTagName(doc.childPos), child->name);
        EXPECT_EQ(doc.ReadChildText(), child->expected) << where;
    }
    EXPECT_FALSE(doc.LocateChild(u""));

    std::map<std::u16string, int> seen;
    for (size_t i = 0; i < gen.children.size(); ++i) {
        const std::u16string& name = gen.children[i]->name;
        doc.RewindChildren();
        for (int k = 0; k <= seen[name]; ++k)
            ASSERT_TRUE(doc.LocateChild(name));
        ++seen[name];
        EXPECT_EQ(doc.childPos, found[i]) << where << " occurrence of " << Narrow(name);
    }

    for (size_t i = 0; i < gen.children.size(); ++i) {
        if (!gen.children[i]->children.empty())
            CheckChildren(doc, found[i], *gen.children[i], where);
        else
            EXPECT_EQ(doc.ReadText(found[i]), gen.children[i]->expected) << where;
    }
}

TEST(GeneratedDocuments, LeavesReadTheirTextAndChildrenAreFoundInOrder) {
    for (unsigned seed = 1; seed <= 300; ++seed) {
        DocumentGenerator gen(seed);
        std::u16string text = u"<?xml version=\"1.0\"?>\r\n";
        const auto root = gen.Element(4, text);
        CXmlDoc doc(text);
        std::string where = "seed " + std::to_string(seed) + ": " + Narrow(text);
        ASSERT_EQ(CheckIndexInvariants(doc), "") << where;
        ASSERT_TRUE(doc.elements[0].firstChild != 0) << where;
        const int32_t rootPos = doc.elements[0].firstChild;
        EXPECT_EQ(doc.ReadTagName(rootPos), root->name);
        EXPECT_EQ(doc.ReadText(rootPos), root->expected) << where;
        CheckChildren(doc, rootPos, *root, where);
        EXPECT_EQ(doc.text, text) << where;
        if (testing::Test::HasFailure())
            break;
    }
}

} // namespace
