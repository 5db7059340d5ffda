#include <gtest/gtest.h>

#include <iterator>
#include <random>
#include <vector>

#include "invariants.h"
#include "markup/escape.h"
#include "markup/insert.h"
#include "markup/xml_doc.h"
#include "reparse_compare.h"
#include "test_support.h"

namespace {

// Documents with one-tag, spaced one-tag, unended and empty elements, text, comments,
// sections, instructions, attributes in every quoting and CR LF formatting.
const char16_t* const kDocuments[] = {
    u"",
    u"<r/>",
    u"<r>\r\n  <a x='1' y=2 z>t</a>\r\n  <b />\r\n  <c></c>\r\n  <d>\r\n</r>\r\n",
    u"<?xml version=\"1.0\"?>\r\n<!-- c -->\r\n<r><a><b><c/></b>text<![CDATA[<x>]]></a>"
    u"<e></e><?pi x?><f k=\"v\"/></r>",
    u"<r>x<a>y<b/>z</a>w<c>\r\n<d/>\r\n</c>\r\n</r>",
    u"<r><a></z>lone</a><b><u>open</b></r>",
};

// Element names used by the edits; "un" is kept for unended elements, so that no end
// tag written later can close one of them.
const char16_t* const kNames[] = {u"a", u"n", u"item", u"x:y", u"q1"};
using namespace std::string_view_literals;
const std::u16string_view kData[] = {
    u""sv,      u"v"sv,           u"1.0.10"sv, u"a<b & \"c\" 'd'"sv,  u"]]>"sv,  u"x]]>y]]>"sv,
    u"&amp;"sv, u"&#65;&bogus"sv, u"\r\n"sv,   u"\u00E9\U0001F600"sv, u"a\0b"sv, u"  spaced  "sv};

const uint32_t kFlagBits[] = {INS_CDATA,  INS_NO_LINE_ENDS, INS_SPACE_SLASH, INS_UNENDED,
                              INS_BEFORE, INS_AS_CHILD,     ESCF_KEEPREFS,   ESCF_QUOTES};

// The element is one of the unended-name elements (which may have been wrapped since).
bool IsUn(const CXmlDoc& doc, int32_t element) {
    if (element == 0)
        return false;
    const std::u16string_view tag =
        std::u16string_view(doc.text).substr(static_cast<size_t>(doc.elements[element].start), 4);
    return tag == u"<un>" || tag == u"<un ";
}

class Editor {
  public:
    int32_t inserted = 0; // successful edits of each kind
    int32_t attributesSet = 0;
    int32_t dataReplaced = 0;

    explicit Editor(uint32_t seed) : rng(seed) {}

    int32_t Pick(int32_t count) {
        return std::uniform_int_distribution<int32_t>(0, count - 1)(rng);
    }
    template <typename T, size_t N> T PickFrom(const T (&list)[N]) {
        return list[Pick(static_cast<int32_t>(N))];
    }

    // Makes a random element current (0 included), with a random child or none.
    void MoveSomewhere(CXmlDoc& doc) {
        const int32_t current = Pick(doc.usedCount);
        doc.currentPos = current;
        doc.parentPos = current == 0 ? 0 : doc.elements[current].parent;
        std::vector<int32_t> children{0};
        for (int32_t c = doc.elements[current].firstChild; c != 0; c = doc.elements[c].nextSibling)
            children.push_back(c);
        doc.childPos = children[static_cast<size_t>(Pick(static_cast<int32_t>(children.size())))];
        doc.nodeKind = current == 0 ? 0 : NodeElement;
    }

    std::string Step(CXmlDoc& doc) {
        MoveSomewhere(doc);
        switch (Pick(3)) {
        case 0:
            return Insert(doc);
        case 1:
            return Attribute(doc);
        default:
            return Data(doc);
        }
    }

  private:
    std::mt19937 rng;
    uint32_t combination = 0;

    std::string Insert(CXmlDoc& doc) {
        // Every combination of the flag bits in turn.
        uint32_t flags = 0;
        for (size_t bit = 0; bit < std::size(kFlagBits); ++bit)
            flags |= (combination >> bit) & 1 ? kFlagBits[bit] : 0;
        ++combination;
        const std::u16string data(PickFrom(kData));
        const std::u16string name = (flags & INS_UNENDED) ? u"un" : PickFrom(kNames);

        const bool asChild = (flags & INS_AS_CHILD) != 0;
        const int32_t parent = asChild ? doc.currentPos : doc.parentPos;
        // A lone start tag may not go under a parent of its own name.
        const bool unendedRefused =
            (flags & INS_UNENDED) && ((!data.empty() && data[0] != 0) || IsUn(doc, parent));
        const bool refused = (asChild && doc.currentPos == 0) || unendedRefused;
        const int32_t used = doc.usedCount;
        const std::u16string oldText = doc.text;
        if (doc.InsertElement(name, data, flags) == refused)
            return "InsertElement returned " + std::to_string(!refused);
        if (refused)
            return doc.usedCount == used && doc.text == oldText ? ""
                                                                : "a refusal changed the document";
        ++inserted;
        const int32_t element = asChild ? doc.childPos : doc.currentPos;
        if (element != used)
            return "the new element is not the current one";
        XmlTokenReader reader(doc.text.c_str(), doc.elements[element].start + 1, 0);
        if (!reader.NextName() || reader.Token() != name)
            return "the new element does not start with its name";
        return "";
    }

    std::string Attribute(CXmlDoc& doc) {
        const std::u16string name = PickFrom(kNames);
        const std::u16string value(PickFrom(kData));
        const int32_t element = doc.currentPos;
        const bool done = doc.PutAttribute(element, name, value);
        if (done != (element != 0))
            return "PutAttribute returned " + std::to_string(done);
        attributesSet += done ? 1 : 0;
        return "";
    }

    std::string Data(CXmlDoc& doc) {
        const int32_t element = doc.childPos != 0 ? doc.childPos : doc.currentPos;
        const bool accepted = element != 0 && doc.elements[element].firstChild == 0;
        const std::u16string_view data = PickFrom(kData);
        const bool done = doc.ReplaceElementData(element, data);
        if (done != accepted)
            return "ReplaceElementData returned " + std::to_string(done);
        if (done && doc.ReadText(element) != data.substr(0, data.find(u'\0')))
            return "ReadText does not give the data back";
        dataReplaced += done ? 1 : 0;
        return "";
    }
};

TEST(RandomEdits, IndexAlwaysEqualsAFreshParse) {
    Editor editor(20261207);
    int32_t steps = 0;
    for (const char16_t* start : kDocuments) {
        CXmlDoc doc{std::u16string(start)};
        for (int step = 0; step < 700; ++step, ++steps) {
            const std::string before = Narrow(doc.text);
            std::string fault = editor.Step(doc);
            if (fault.empty())
                fault = CheckIndexInvariants(doc);
            if (fault.empty())
                fault = DifferenceFromReparse(doc);
            if (fault.empty() && doc.text.find(u'\0') != std::u16string::npos)
                fault = "the text holds a zero unit";
            ASSERT_EQ(fault, "") << "step " << step << " on " << before;
        }
    }
    EXPECT_EQ(steps, 4200);
    // Most steps must have edited something, not been refused.
    EXPECT_GT(editor.inserted, 600);
    EXPECT_GT(editor.attributesSet, 900);
    EXPECT_GT(editor.dataReplaced, 500);
}

} // namespace
