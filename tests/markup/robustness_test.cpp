#include <gtest/gtest.h>

#include <random>

#include "invariants.h"
#include "markup/report.h"
#include "markup/xml_doc.h"
#include "test_support.h"

namespace {

// Parses text with and without ModeIgnoreCase and checks everything that must hold for
// any input.
void CheckAnyText(const std::u16string& text) {
    for (uint32_t mode : {0u, ModeIgnoreCase}) {
        CXmlDoc doc;
        doc.modeFlags = mode;
        const bool sound = doc.SetText(text);
        ASSERT_EQ(CheckIndexInvariants(doc), "") << Narrow(text);
        ASSERT_EQ(sound, doc.HasSoundStructure());
        ASSERT_LT(doc.report.size(), kReportLimit + 100);
        CXmlDoc entries(doc.report);
        ASSERT_FALSE(entries.elements[0].Has(DocIllFormed)) << Narrow(doc.report);
        if (sound) {
            ASSERT_EQ(doc.report, u"") << Narrow(text);
            for (int32_t p = 0; p < doc.usedCount; ++p)
                ASSERT_FALSE(doc.elements[p].Has(ElemUnended | ElemHasError)) << Narrow(text);
        }
    }
}

TEST(Robustness, CharacterSoup) {
    const std::u16string alphabet = u"<>/!?-[]\"'=&abxyDCEANT \t\r\n";
    std::mt19937 random(20261207);
    std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1);
    std::uniform_int_distribution<int> length(0, 80);
    for (int i = 0; i < 4000; ++i) {
        std::u16string text;
        for (int n = length(random); n > 0; --n)
            text.push_back(alphabet[pick(random)]);
        CheckAnyText(text);
        if (HasFatalFailure())
            return;
    }
}

TEST(Robustness, MarkupFragmentSoup) {
    const std::u16string fragments[] = {u"<a>",       u"</a>",
                                        u"<b/>",      u"<A>",
                                        u"</A>",      u"<!--",
                                        u"-->",       u"<![CDATA[",
                                        u"]]>",       u"<!DOCTYPE r [",
                                        u"]>",        u"<?p",
                                        u"?>",        u"x",
                                        u" ",         u"'",
                                        u"\"",        u"=",
                                        u"<",         u">",
                                        u"</",        u"<!ENTITY e 'v'>",
                                        u"<c x='>'>", u"</c>",
                                        u"<!",        u"<a b=\"1\"/>",
                                        u"</>"};
    std::mt19937 random(7);
    std::uniform_int_distribution<size_t> pick(0, std::size(fragments) - 1);
    std::uniform_int_distribution<int> count(0, 24);
    for (int i = 0; i < 3000; ++i) {
        std::u16string text;
        for (int n = count(random); n > 0; --n)
            text += fragments[pick(random)];
        CheckAnyText(text);
        if (HasFatalFailure())
            return;
    }
}

TEST(Robustness, ReportValuesOfAnyCharacters) {
    const std::u16string alphabet = u"<>/&\"'= ab\u00e9";
    std::mt19937 random(3);
    std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1);
    std::u16string report;
    std::u16string last;
    for (int i = 0; i < 40; ++i) {
        last.clear();
        for (int n = 0; n < 6; ++n)
            last.push_back(alphabet[pick(random)]);
        AddReportEntry(report, u"e", last, 0, i, -1);
    }
    CXmlDoc entries(report);
    EXPECT_FALSE(entries.elements[0].Has(DocIllFormed));
    EXPECT_EQ(CheckIndexInvariants(entries), "");
}

std::u16string StartTagOfLength(size_t length) {
    // <a x="...."/>
    return u"<a x=\"" + std::u16string(length - 9, u'v') + u"\"/>";
}

TEST(TagLengths, LongestStartTagFits) {
    CXmlDoc doc(u"<r>" + StartTagOfLength(kMaxStartTagLength) + u"</r>");
    EXPECT_EQ(CheckIndexInvariants(doc), "");
    EXPECT_EQ(doc.report, u"");
    ASSERT_EQ(doc.usedCount, 3);
    EXPECT_EQ(doc.elements[2].StartTagLength(), kMaxStartTagLength);
    EXPECT_EQ(doc.elements[2].length, kMaxStartTagLength);
}

TEST(TagLengths, OverlongStartTagIsReportedNotIndexed) {
    CXmlDoc doc;
    EXPECT_FALSE(doc.SetText(u"<r>" + StartTagOfLength(kMaxStartTagLength + 1) + u"</r>"));
    EXPECT_EQ(CheckIndexInvariants(doc), "");
    EXPECT_EQ(doc.report, u"<tag_too_long type=\"start_tag\" offset=\"3\"/>");
    EXPECT_EQ(doc.usedCount, 2);
    EXPECT_TRUE(doc.elements[1].Has(ElemHasError));
    EXPECT_EQ(doc.elements[1].firstChild, 0);
    EXPECT_EQ(doc.elements[1].EndTagLength(), 4);
}

TEST(TagLengths, EndTagLimit) {
    const std::u16string fits(kMaxEndTagLength - 3, u'n');
    CXmlDoc doc(u"<" + fits + u"></" + fits + u">");
    EXPECT_EQ(doc.report, u"");
    EXPECT_EQ(doc.elements[1].EndTagLength(), kMaxEndTagLength);

    const std::u16string overlong(kMaxEndTagLength - 2, u'n');
    const std::u16string text = u"<" + overlong + u"></" + overlong + u">";
    EXPECT_FALSE(doc.SetText(text));
    EXPECT_EQ(CheckIndexInvariants(doc), "");
    const std::u16string expected =
        u"<tag_too_long type=\"end_tag\" offset=\"1023\"/><unended_start_tag tagname=\"" +
        overlong + u"\" offset=\"0\" offset2=\"2047\"/>";
    EXPECT_EQ(Narrow(doc.report), Narrow(expected)); // the second entry crosses the limit whole
    EXPECT_TRUE(doc.elements[1].Has(ElemUnended));
    EXPECT_TRUE(doc.elements[0].Has(ElemHasError));
}

TEST(Levels, DeepNestingSaturatesTheLevel) {
    const int depth = 70000;
    std::u16string text;
    for (int i = 0; i < depth; ++i)
        text += u"<a>";
    for (int i = 0; i < depth; ++i)
        text += u"</a>";
    CXmlDoc doc;
    EXPECT_TRUE(doc.SetText(text));
    EXPECT_EQ(CheckIndexInvariants(doc), "");
    EXPECT_EQ(doc.elements[100].Level(), 99u);
    EXPECT_EQ(doc.elements[depth].Level(), kMaxLevel);
    EXPECT_EQ(doc.elements[depth].flagsLevel & 0xFFFF0000u, ElemFirstChild);
}

TEST(Unended, LongChainsAreRelinkedOnce) {
    // Each unended element hands its children on; done one by one this is quadratic.
    const int count = 200000;
    std::u16string text = u"<r>";
    for (int i = 0; i < count; ++i)
        text += u"<a>";
    text += u"</r>";
    CXmlDoc doc;
    EXPECT_FALSE(doc.SetText(text));
    EXPECT_EQ(CheckIndexInvariants(doc), "");
    int children = 0;
    for (int32_t c = doc.elements[1].firstChild; c != 0; c = doc.elements[c].nextSibling)
        ++children;
    EXPECT_EQ(children, count);
    const std::string first =
        "<unended_start_tag tagname=\"a\" offset=\"600000\" offset2=\"600004\"/>";
    EXPECT_EQ(Narrow(doc.report).substr(0, first.size()), first);
}

TEST(EndTags, UnmatchedEndTagsUnderDeepNesting) {
    // Each end tag misses every open element; searched one by one this is quadratic.
    const int count = 80000;
    std::u16string text;
    for (int i = 0; i < count; ++i)
        text += u"<a>";
    for (int i = 0; i < count; ++i)
        text += i % 2 ? u"</b>" : u"</A>";
    text += u"</a>";
    CXmlDoc doc;
    EXPECT_FALSE(doc.SetText(text));
    EXPECT_EQ(CheckIndexInvariants(doc), "");
    EXPECT_EQ(doc.elements[count].length, static_cast<int32_t>(text.size()) - 3 * (count - 1));
    EXPECT_TRUE(doc.elements[count].Has(ElemHasError));
    EXPECT_TRUE(doc.elements[count - 1].Has(ElemUnended));
    const std::string first = "<lone_end_tag tagname=\"A\" offset=\"240000\"/>"
                              "<lone_end_tag tagname=\"b\" offset=\"240004\"/>";
    EXPECT_EQ(Narrow(doc.report).substr(0, first.size()), first);
}

} // namespace
