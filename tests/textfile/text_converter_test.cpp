#include "textfile/text_converter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Measures, then fills a destination of exactly the measured size.
template <typename Unit, typename Source>
std::vector<Unit> Convert(const char16_t* from, const Source& source, const char16_t* to,
                          bool* lossy = nullptr) {
    CTextConverter converter(from, source.data(), static_cast<int>(source.size()));
    const int needed = converter.Convert(nullptr, to);
    EXPECT_EQ(converter.m_nDestLength, needed);
    std::vector<Unit> dest(static_cast<size_t>(needed));
    if (needed > 0) {
        EXPECT_EQ(converter.Convert(dest.data(), nullptr), needed);
    }
    if (lossy)
        *lossy = converter.m_bLossy;
    return dest;
}

std::vector<char> Bytes(const std::string& s) {
    return {s.begin(), s.end()};
}
std::vector<char16_t> Units(const std::u16string& s) {
    return {s.begin(), s.end()};
}

TEST(CTextConverter, NewConverterHoldsTheSource) {
    const char bytes[] = "abc";
    CTextConverter converter(u"UTF-8", bytes, 3);
    EXPECT_TRUE(converter.m_strToEncoding.empty());
    EXPECT_EQ(converter.m_strFromEncoding, u"UTF-8");
    EXPECT_EQ(converter.m_pSource, bytes);
    EXPECT_EQ(converter.m_nSourceLength, 3);
    EXPECT_EQ(converter.m_nDestLength, 0);
    EXPECT_FALSE(converter.m_bLossy);
}

TEST(CTextConverter, Utf8ToUtf16MeasuresThenFills) {
    const std::string abc = "abc";
    CTextConverter converter(u"UTF-8", abc.data(), 3);
    EXPECT_EQ(converter.Convert(nullptr, u"UTF-16"), 3);
    char16_t dest[3] = {};
    EXPECT_EQ(converter.Convert(dest, nullptr), 3);
    EXPECT_EQ(std::u16string(dest, 3), u"abc");
    EXPECT_EQ(converter.m_strToEncoding, u"UTF-16");
}

TEST(CTextConverter, Utf16ToCodePages) {
    bool lossy = true;
    EXPECT_EQ(Convert<char>(u"UTF-16", std::u16string(u"\u4E2D"), u"UTF-8", &lossy),
              Bytes("\xE4\xB8\xAD"));
    EXPECT_FALSE(lossy);
    EXPECT_EQ(Convert<char>(u"UTF-16", std::u16string(u"\u4E2D"), u"windows-1252", &lossy),
              Bytes("?"));
    EXPECT_TRUE(lossy);
    EXPECT_EQ(Convert<char>(u"UTF-16", std::u16string(u"\u00E9t\u00E9"), u"Latin1", &lossy),
              Bytes("\xE9t\xE9"));
    EXPECT_FALSE(lossy);
    // UTF-8 is never asked about substitutions, whatever the text.
    const std::u16string lone{char16_t(0xD800), u'x'};
    EXPECT_EQ(Convert<char>(u"UTF-16", lone, u"UTF-8", &lossy), Bytes("\xEF\xBF\xBDx"));
    EXPECT_FALSE(lossy);
    // Nor is GB18030.
    EXPECT_EQ(Convert<char>(u"UTF-16", lone, u"gb18030", &lossy).back(), 'x');
    EXPECT_FALSE(lossy);
}

TEST(CTextConverter, EucJpSubstitutesALastCharacterItCannotRepresent) {
    bool lossy = false;
    EXPECT_EQ(Convert<char>(u"UTF-16", std::u16string(u"\uFFFD"), u"EUC-JP", &lossy), Bytes("?"));
    EXPECT_TRUE(lossy);
    lossy = false;
    EXPECT_EQ(Convert<char>(u"UTF-16", std::u16string(u"a\u0E01"), u"EUC-JP", &lossy), Bytes("a?"));
    EXPECT_TRUE(lossy);
}

TEST(CTextConverter, PlatformRefusesUtf16AndUtf32CodePages) {
    const std::u16string text = u"abc";
    for (const char16_t* to : {u"UTF-16BE", u"utf-32", u"UTF-16", u"x-mac-thai"}) {
        CTextConverter converter(u"UTF-16", text.data(), 3);
        EXPECT_EQ(converter.Convert(nullptr, to), 0);
    }
    const std::string bytes = "abc";
    for (const char16_t* from : {u"UTF-16BE", u"utf-32", u"x-mac-thai"}) {
        CTextConverter converter(from, bytes.data(), 3);
        EXPECT_EQ(converter.Convert(nullptr, u"UTF-16"), 0);
    }
}

TEST(CTextConverter, Utf16ToUtf32) {
    using U32 = std::vector<uint32_t>;
    EXPECT_EQ(Convert<uint32_t>(u"UTF-16", std::u16string(u"A\U0001F600"), u"UTF-32"),
              (U32{0x41, 0x1F600}));
    EXPECT_EQ(Convert<uint32_t>(u"UTF-16", std::u16string{u'A', char16_t(0xD800)}, u"UTF-32"),
              (U32{0x41, '?'}));
    EXPECT_EQ(Convert<uint32_t>(u"UTF-16", std::u16string{char16_t(0xD800), 0}, u"UTF-32LE"),
              (U32{'?', 0}));
    // A low surrogate first is joined with what follows, as the rule says.
    EXPECT_EQ(Convert<uint32_t>(u"UTF-16", std::u16string{char16_t(0xDC01), char16_t(0xDC02)},
                                u"UTF-32BE"),
              (U32{0x10402}));
}

TEST(CTextConverter, Utf32ToUtf16AndUtf8) {
    const std::vector<uint32_t> text{0x1F600, 0x41, 0xE9};
    EXPECT_EQ(Convert<char16_t>(u"UTF-32", text, u"UTF-16"), Units(u"\xD83D\xDE00\x0041\x00E9"));
    EXPECT_EQ(Convert<char>(u"UTF-32", text, u"UTF-8"), Bytes("\xF0\x9F\x98\x80"
                                                              "A\xC3\xA9"));
    EXPECT_TRUE(Convert<char>(u"UTF-32", text, u"windows-1252").empty());
}

TEST(CTextConverter, Utf8ToUtf32) {
    using U32 = std::vector<uint32_t>;
    EXPECT_EQ(Convert<uint32_t>(u"UTF-8", std::string("\xC3\xA9"), u"UTF-32"), (U32{0xE9}));
    EXPECT_EQ(Convert<uint32_t>(u"UTF-8", std::string("a\xE4"), u"UTF-32"), (U32{'a', '?'}));
    EXPECT_EQ(Convert<uint32_t>(u"UTF-8",
                                std::string("\xE4"
                                            "A"),
                                u"UTF-32"),
              (U32{'?', 'A'}));
    EXPECT_TRUE(Convert<uint32_t>(u"windows-1252", std::string("abc"), u"UTF-32").empty());
}

TEST(CTextConverter, BetweenTwoCodePagesThroughUtf16) {
    bool lossy = false;
    EXPECT_EQ(Convert<char>(u"GB2312", std::string("\xD6\xD0\xCE\xC4"), u"UTF-8", &lossy),
              Bytes("\xE4\xB8\xAD\xE6\x96\x87"));
    EXPECT_EQ(Convert<char>(u"koi8-r", std::string("\xF6"), u"windows-1251", &lossy),
              Bytes("\xC6"));
    EXPECT_FALSE(lossy);
    EXPECT_EQ(Convert<char>(u"UTF-8",
                            std::string("\xE4\xB8\xAD"
                                        "a"),
                            u"cp1252", &lossy),
              Bytes("?a"));
    EXPECT_TRUE(lossy);
}

TEST(CTextConverter, UnknownNamesUseTheAnsiCodePage) {
    // The ANSI code page of the test environment is UTF-8.
    EXPECT_EQ(Convert<char16_t>(u"no-such-encoding", std::string("\xC3\xA9"), u"UTF-16"),
              Units(u"\u00E9"));
    EXPECT_EQ(Convert<char16_t>(u"", std::string("ab"), u"UTF-16"), Units(u"ab"));
    EXPECT_EQ(Convert<char>(u"UTF-16", std::u16string(u"\u00E9"), u"bogus"), Bytes("\xC3\xA9"));
}

TEST(CTextConverter, EmptySourceGivesZeroOnEveryPath) {
    const char16_t* names[] = {u"UTF-8", u"UTF-16", u"UTF-32", u"windows-1252", u""};
    const uint32_t unit = 0;
    for (const char16_t* from : names) {
        for (const char16_t* to : names) {
            CTextConverter converter(from, &unit, 0);
            EXPECT_EQ(converter.Convert(nullptr, to), 0);
        }
    }
}

TEST(CTextConverter, TooSmallDestinationGetsNothing) {
    const std::vector<uint32_t> text{0x41, 0x1F600};
    CTextConverter converter(u"UTF-32", text.data(), 2);
    converter.m_nDestLength = 2;
    char16_t dest[3] = {u'x', u'x', u'x'};
    EXPECT_EQ(converter.Convert(dest, u"UTF-16"), 0);
    EXPECT_EQ(dest[2], u'x');
    converter.m_nDestLength = 3;
    EXPECT_EQ(converter.Convert(dest, nullptr), 3);
}

TEST(RejectsDefaultCharFlag, ExactlyTheListedCodePages) {
    const int listed[] = {50220, 50221, 50222, 50225, 50227, 50229, 52936, 54936, 57002, 57003,
                          57004, 57005, 57006, 57007, 57008, 57009, 57010, 57011, 65000, 65001};
    for (int codePage : listed)
        EXPECT_TRUE(RejectsDefaultCharFlag(codePage)) << codePage;
    for (int codePage : {0, 1200, 1252, 936, 50223, 50228, 57001, 57012, 65005, 54935})
        EXPECT_FALSE(RejectsDefaultCharFlag(codePage)) << codePage;
}

} // namespace
