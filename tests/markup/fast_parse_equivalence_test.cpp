#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "markup/xml_doc.h"
#include "reference_parse.h"
#include "test_support.h"

namespace {

std::string Describe(const XmlElementRec& r) {
    char buffer[160];
    std::snprintf(buffer, sizeof buffer,
                  "start %d length %d tags %08x flags %08x links %d %d %d %d", r.start, r.length,
                  r.tagLengths, r.flagsLevel, r.parent, r.firstChild, r.nextSibling, r.prevSibling);
    return buffer;
}

// Reads text node by node with the library's reader and with the plain one, in step.
void ExpectSameNodes(const std::u16string& text) {
    XmlTokenReader fast(text.c_str(), 0, 0);
    fast.textLength = static_cast<int32_t>(text.size());
    XmlTokenReader plain(text.c_str(), 0, 0);
    XmlNodeInfo a;
    XmlNodeInfo b;
    for (size_t guard = 0; guard <= text.size(); ++guard) {
        const int32_t kind = fast.ReadNode(a);
        ASSERT_EQ(kind, ReferenceReadNode(plain, b)) << Narrow(text) << " at " << b.start;
        ASSERT_EQ(a.start, b.start) << Narrow(text);
        ASSERT_EQ(a.length, b.length) << Narrow(text) << " at " << b.start;
        ASSERT_EQ(a.flags, b.flags) << Narrow(text) << " at " << b.start;
        ASSERT_EQ(a.report, b.report) << Narrow(text);
        ASSERT_EQ(fast.pos, plain.pos) << Narrow(text);
        ASSERT_EQ(fast.tokenStart, plain.tokenStart) << Narrow(text) << " at " << b.start;
        ASSERT_EQ(fast.tokenEnd, plain.tokenEnd) << Narrow(text) << " at " << b.start;
        if (kind == NodeEndOfText)
            return;
    }
    FAIL() << "no end of text: " << Narrow(text);
}

// Parses text with and without ModeIgnoreCase and compares index and report with the plain
// parse.
void ExpectSameParse(const std::u16string& text) {
    for (const uint32_t mode : {0u, ModeIgnoreCase}) {
        CXmlDoc doc;
        doc.modeFlags = mode;
        doc.SetText(text);
        const ReferenceIndex expected = ReferenceParse(doc.text, mode);
        ASSERT_EQ(static_cast<size_t>(doc.usedCount), expected.records.size()) << Narrow(text);
        for (int32_t p = 0; p < doc.usedCount; ++p)
            ASSERT_EQ(Describe(doc.elements[p]), Describe(expected.records[static_cast<size_t>(p)]))
                << "record " << p << " of " << Narrow(text) << " mode " << mode;
        ASSERT_EQ(Narrow(doc.report), Narrow(expected.report)) << Narrow(text);
    }
}

void ExpectSame(const std::u16string& text) {
    ExpectSameNodes(text);
    ExpectSameParse(text);
}

std::u16string RandomText(std::mt19937& random, std::u16string_view alphabet, int maxLength) {
    std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1);
    std::u16string text(std::uniform_int_distribution<size_t>(0, size_t(maxLength))(random), u' ');
    for (char16_t& c : text)
        c = alphabet[pick(random)];
    return text;
}

TEST(FastParse, CharacterSoup) {
    const std::u16string alphabet = u"<<>>//!?-[]\"'==&abxyDCEANT \t\r\n\u00e9\u3c3e";
    std::mt19937 random(15);
    for (int i = 0; i < 2500 && !HasFatalFailure(); ++i)
        ExpectSame(RandomText(random, alphabet, i % 10 == 0 ? 400 : 100));
}

TEST(FastParse, MarkupFragmentSoup) {
    const std::u16string fragments[] = {u"<a>",        u"</a>",
                                        u"<b/>",       u"<A>",
                                        u"</A>",       u"<!--",
                                        u"-->",        u"<![CDATA[",
                                        u"]]>",        u"<!DOCTYPE r [",
                                        u"]>",         u"<?p",
                                        u"?>",         u"x",
                                        u" ",          u"'",
                                        u"\"",         u"=",
                                        u"<",          u">",
                                        u"</",         u"<!ENTITY e 'v'>",
                                        u"<c x='>'>",  u"</c>",
                                        u"<!",         u"<a b=\"1\"/>",
                                        u"</>",        u"<a=b>",
                                        u"</a=b>",     u"<a[1]>",
                                        u"</a[1]>",    u"<\u00e9A>",
                                        u"</\u00e9a>", u"</\u00e9A>",
                                        u"<B x=y>",    u"</b >",
                                        u"<b/ >",      u"\r\n  "};
    std::mt19937 random(1507);
    std::uniform_int_distribution<size_t> pick(0, std::size(fragments) - 1);
    std::uniform_int_distribution<int> count(0, 30);
    for (int i = 0; i < 2000 && !HasFatalFailure(); ++i) {
        std::u16string text;
        for (int n = count(random); n > 0; --n)
            text += fragments[pick(random)];
        ExpectSame(text);
    }
}

// Each special character at every offset of a run that the reader may pass over in blocks,
// with runs of other lengths behind it, in every kind of run.
TEST(FastParse, SpecialCharacterOnEveryBlockPosition) {
    struct Run {
        const char16_t* before;
        char16_t filler;
        const char16_t* after;
    };
    const Run runs[] = {
        {u"<r>", u't', u"</r>"},
        {u"<r>", u' ', u"</r>"},
        {u"<r a=\"", u'v', u"\"/>"},
        {u"<r a='", u'v', u"'>x</r>"},
        {u"<r ", u'b', u">"},
        {u"<r", u'n', u"></r>"},
        {u"<r></r", u'n', u">"},
        {u"<r><!--", u'c', u"--></r>"},
        {u"<r><![CDATA[", u'c', u"]]></r>"},
        {u"<?p ", u'i', u"?><r/>"},
        {u"<!DOCTYPE r [", u'd', u"]><r/>"},
        {u"<!DOCTYPE r [<!ENTITY e '", u'd', u"'>]><r/>"},
        {u"<r>< ", u'e', u"></r>"},
    };
    const std::u16string specials = u"<>\"'= \n/-]?!\u3c3e";
    for (const Run& run : runs) {
        for (const char16_t special : specials) {
            for (size_t at = 0; at <= 40; ++at) {
                for (const size_t tail : {0, 9, 33}) {
                    const std::u16string body =
                        std::u16string(at, run.filler) + special + std::u16string(tail, run.filler);
                    ExpectSame(run.before + body + run.after);
                    if (HasFatalFailure())
                        return;
                }
            }
            // A zero ends the text for the reader wherever it stands.
            ExpectSameNodes(run.before + std::u16string(17, run.filler) + u'\0' + u"<x>" +
                            run.after);
        }
    }
}

TEST(FastParse, TextsEndingAnywhere) {
    const std::u16string documents[] = {
        u"<?xml version=\"1.0\"?>\r\n<!DOCTYPE c [<!ENTITY e 'v>'><!-- x -->]>\r\n"
        u"<c a=\"1\" b='x>y'>\r\n  <Version>1.2.3</Version>\r\n  <!-- comment -- here -->\r\n"
        u"  <d><![CDATA[ a < b ]]> text &amp; more > less</d>\r\n  <e x = \"q\"/><f/ ><g b/>\r\n"
        u"  <?pi data ?></c>\r\n",
        u"<a><b><c x=\"1\"></b><d></a></d>< x><!x><!-x><![x></A><a=b></a><\u00e9></\u00c9>",
    };
    for (const std::u16string& document : documents) {
        for (size_t length = 0; length <= document.size() && !HasFatalFailure(); ++length)
            ExpectSame(document.substr(0, length));
    }
}

// SetText keeps the text up to its first zero unit wherever that lies in the blocks the search
// reads, and the parse of what it kept is the plain one.
TEST(FastParse, ZeroUnitOnEveryBlockPosition) {
    std::u16string base;
    while (base.size() < 100)
        base += u"<r a=\"1\"><v>t &amp; u</v><w/></r>";
    for (size_t length = 1; length <= 100; ++length) {
        for (size_t at = 0; at <= length; ++at) {
            std::u16string text = base.substr(0, length);
            if (at < length)
                text[at] = u'\0';
            text += std::u16string(1, u'\0') + u"<x/>";
            CXmlDoc doc;
            doc.SetText(text);
            ASSERT_EQ(Narrow(doc.text), Narrow(text.substr(0, text.find(u'\0'))))
                << "length " << length << " zero at " << at;
            if (length % 9 == 0)
                ExpectSameParse(text);
            if (HasFatalFailure())
                return;
        }
    }
}

// FindNext and LocateChild compare names in place; a token reader at each child's name gives
// the same.
TEST(FastLookup, AgreesWithTheTokenReader) {
    const std::u16string tags[] = {u"a",       u"A",       u"ab", u"a;b", u"a=b", u"a[1]",
                                   u"\u00e9A", u"\u00e9a", u"b",  u"a\\", u"a?",  u"aB!"};
    const std::u16string names[] = {u"a",   u"A",       u"ab",      u"a;b", u"a[1]",
                                    u"a/x", u"\u00e9a", u"\u00e9A", u"aB",  u"a\\",
                                    u"b",   u"abc",     u"Ab",      u"a?",  u"aB!",
                                    u"a b", u"a;",      std::u16string(u"a\0b", 3)};
    std::mt19937 random(21);
    std::uniform_int_distribution<size_t> pick(0, std::size(tags) - 1);
    for (int i = 0; i < 200; ++i) {
        std::u16string text = u"<r>";
        for (int n = 0; n < 6; ++n)
            text += u"<" + tags[pick(random)] + u"/>";
        text += u"</r>";
        for (const uint32_t mode : {0u, ModeIgnoreCase}) {
            CXmlDoc doc;
            doc.modeFlags = mode;
            doc.SetText(text);
            for (const std::u16string& name : names) {
                XmlNamePath path(name);
                path.CheckSyntax();
                int32_t expected = 0;
                for (int32_t c = doc.elements[1].firstChild;
                     c != 0 && expected == 0 && path.pathKind == PathRelative;
                     c = doc.elements[c].nextSibling) {
                    XmlTokenReader reader(doc.text.c_str(), doc.elements[c].start + 1, mode);
                    if (reader.NextName() && reader.NameEquals(path.FirstStep()))
                        expected = c;
                }
                ASSERT_EQ(doc.FindNext(1, 0, path), expected)
                    << Narrow(text) << " " << Narrow(name) << " mode " << mode;
                doc.RewindChildren();
                const bool found = doc.LocateChild(name);
                ASSERT_EQ(found ? doc.childPos : 0, expected)
                    << "LocateChild on " << Narrow(text) << " " << Narrow(name) << " mode " << mode;
            }
        }
    }
}

} // namespace
