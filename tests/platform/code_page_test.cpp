#include "platform/code_page.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

std::u16string ToUtf16(int codePage, const std::string& bytes) {
    const int srcLength = static_cast<int>(bytes.size());
    const int n = MultiByteToUtf16(codePage, bytes.data(), srcLength, nullptr, 0);
    std::u16string text(static_cast<size_t>(n), u'\0');
    const int filled = MultiByteToUtf16(codePage, bytes.data(), srcLength, text.data(), n);
    EXPECT_EQ(filled, n);
    return text;
}

std::string FromUtf16(int codePage, const std::u16string& text, bool* lossy = nullptr) {
    const int srcLength = static_cast<int>(text.size());
    const int n = Utf16ToMultiByte(codePage, text.data(), srcLength, nullptr, 0, nullptr);
    std::string bytes(static_cast<size_t>(n), '\0');
    const int filled = Utf16ToMultiByte(codePage, text.data(), srcLength, bytes.data(), n, lossy);
    EXPECT_EQ(filled, n);
    return bytes;
}

// Every code page of the encoding-name table.
const std::vector<int> kTableCodePages = {
    154,   437,   708,   720,   737,   775,   850,   852,   853,   855,   857,   858,   860,
    861,   862,   863,   864,   865,   866,   869,   874,   932,   936,   949,   950,   1125,
    1133,  1200,  1201,  1250,  1251,  1252,  1253,  1254,  1255,  1256,  1257,  1258,  1361,
    10000, 10001, 10002, 10003, 10004, 10005, 10006, 10007, 10008, 10010, 10017, 10021, 10029,
    10079, 10081, 10082, 12000, 12001, 20000, 20001, 20002, 20003, 20004, 20005, 20105, 20106,
    20107, 20108, 20127, 20261, 20269, 20866, 20932, 20936, 20949, 21866, 28591, 28592, 28593,
    28594, 28595, 28596, 28597, 28598, 28599, 28603, 28605, 29001, 38598, 50220, 50221, 50222,
    50225, 50227, 51932, 51936, 51949, 52936, 54936, 57002, 57003, 57004, 57005, 57006, 57007,
    57008, 57009, 57010, 57011, 65000, 65001};

// The ones glibc's iconv has no converter for, and the 16- and 32-bit pages, which the
// byte-oriented conversion does not produce or read.
const std::set<int> kRefused = {720,   853,   1200,  1201,  10001, 10002, 10003, 10004, 10005,
                                10006, 10008, 10010, 10021, 10081, 10082, 12000, 12001, 20000,
                                20001, 20002, 20003, 20004, 20005, 20105, 29001, 52936, 57002,
                                57003, 57004, 57005, 57006, 57007, 57008, 57009, 57010, 57011};

// The character set names that `iconv -l` lists on this machine.
std::set<std::string> ListedCharsets() {
    std::set<std::string> names;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen("iconv -l", "r"), pclose);
    if (!pipe)
        return names;
    std::string word;
    for (int c; (c = std::fgetc(pipe.get())) != EOF;) {
        if (c == ',' || c == ' ' || c == '\n' || c == '\t') {
            while (word.size() >= 2 && word.ends_with("/"))
                word.pop_back();
            if (!word.empty())
                names.insert(word);
            word.clear();
        } else {
            word += static_cast<char>(c);
        }
    }
    return names;
}

TEST(CodePage, EveryTableCodePageIsOfferedOrRefused) {
    ASSERT_EQ(kTableCodePages.size(), 110u);
    const std::set<std::string> listed = ListedCharsets();
    ASSERT_FALSE(listed.empty());
    for (int codePage : kTableCodePages) {
        SCOPED_TRACE(codePage);
        const char* charset = CodePageCharset(codePage);
        bool lossy = false;
        const int toCount = Utf16ToMultiByte(codePage, u"A", 1, nullptr, 0, &lossy);
        const int fromCount = MultiByteToUtf16(codePage, "A", 1, nullptr, 0);
        if (kRefused.count(codePage)) {
            EXPECT_EQ(charset, nullptr);
            EXPECT_EQ(toCount, 0);
            EXPECT_EQ(fromCount, 0);
            continue;
        }
        ASSERT_NE(charset, nullptr);
        EXPECT_TRUE(listed.count(charset)) << charset << " is not listed by iconv -l";
        // ISO-2022-KR puts its designation header first.
        EXPECT_EQ(FromUtf16(codePage, u"A"), codePage == 50225 ? "\x1B$)CA" : "A");
        EXPECT_EQ(ToUtf16(codePage, "A"), u"A");
        EXPECT_EQ(ToUtf16(codePage, FromUtf16(codePage, u"\u00E9")).size(), 1u);
        EXPECT_FALSE(lossy);
    }
}

TEST(CodePage, UnknownCodePagesAreRefused) {
    for (int codePage : {1, 65005, -1, 99999}) {
        EXPECT_EQ(MultiByteToUtf16(codePage, "A", 1, nullptr, 0), 0);
        EXPECT_EQ(Utf16ToMultiByte(codePage, u"A", 1, nullptr, 0, nullptr), 0);
    }
}

TEST(CodePage, EmptySourceGivesZero) {
    char16_t unit[4];
    char byte[4];
    EXPECT_EQ(MultiByteToUtf16(CP_UTF8, "", 0, nullptr, 0), 0);
    EXPECT_EQ(MultiByteToUtf16(1252, "", 0, unit, 4), 0);
    EXPECT_EQ(Utf16ToMultiByte(CP_UTF8, u"", 0, byte, 4, nullptr), 0);
    EXPECT_EQ(Utf16ToMultiByte(1252, u"", 0, nullptr, 0, nullptr), 0);
}

struct Utf8Case {
    const char* bytes;
    std::u16string text;
};

TEST(CodePage, InvalidUtf8BecomesOneReplacementPerMaximalSubpart) {
    const Utf8Case cases[] = {
        {"abc", u"abc"},
        {"\xC3\xA9", u"\u00E9"},
        {"\xE4\xB8\xAD", u"\u4E2D"},
        {"\xF0\x9F\x98\x80", u"\U0001F600"},
        {"\x80", u"\uFFFD"},
        {"a\xFF"
         "b",
         u"a\uFFFDb"},
        {"\xC0\xAF", u"\uFFFD\uFFFD"},                     // overlong lead, stray continuation
        {"\xE0\x80\x80", u"\uFFFD\uFFFD\uFFFD"},           // overlong three-byte form
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},           // encoded surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"}, // above U+10FFFF
        {"\xE4\xB8", u"\uFFFD"},                           // cut off at the end
        {"\xE4\xB8"
         "A",
         u"\uFFFDA"}, // cut off before ASCII
        {"\xF0\x9F\x98", u"\uFFFD"},
        {"\xF8\x88\x80\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"12345678\xC3\xA9"
         "12345678",
         u"12345678\u00E912345678"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        EXPECT_EQ(ToUtf16(CP_UTF8, c.bytes), c.text);
    }
}

struct Utf16Case {
    std::u16string text;
    std::string bytes;
};

TEST(CodePage, Utf16ToUtf8WritesLoneSurrogatesAsReplacement) {
    const Utf16Case cases[] = {
        {u"abcdefghij", "abcdefghij"},
        {u"\u00E9\u4E2D", "\xC3\xA9\xE4\xB8\xAD"},
        {u"\U0001F600", "\xF0\x9F\x98\x80"},
        {std::u16string(1, char16_t(0xD800)), "\xEF\xBF\xBD"},
        {std::u16string(1, char16_t(0xDC00)), "\xEF\xBF\xBD"},
        {std::u16string{char16_t(0xD800), u'A'}, "\xEF\xBF\xBD"
                                                 "A"},
        {std::u16string{char16_t(0xDC00), char16_t(0xD800)}, "\xEF\xBF\xBD\xEF\xBF\xBD"},
    };
    for (const auto& c : cases) {
        bool lossy = false;
        EXPECT_EQ(FromUtf16(CP_UTF8, c.text, &lossy), c.bytes);
        EXPECT_FALSE(lossy);
    }
}

TEST(CodePage, FillingNeedsTheWholeCapacity) {
    char16_t units[8] = {};
    EXPECT_EQ(MultiByteToUtf16(CP_UTF8,
                               "\xC3\xA9"
                               "bc",
                               4, units, 2),
              0);
    EXPECT_EQ(MultiByteToUtf16(CP_UTF8,
                               "\xC3\xA9"
                               "bc",
                               4, units, 3),
              3);
    EXPECT_EQ(std::u16string(units, 3), u"\u00E9bc");
    EXPECT_EQ(MultiByteToUtf16(1251, "\xC0\xC1\xC2", 3, units, 2), 0);
    EXPECT_EQ(MultiByteToUtf16(1251, "\xC0\xC1\xC2", 3, units, 3), 3);
    EXPECT_EQ(std::u16string(units, 3), u"\u0410\u0411\u0412");

    char bytes[8] = {};
    EXPECT_EQ(Utf16ToMultiByte(CP_UTF8, u"\u4E2D", 1, bytes, 2, nullptr), 0);
    EXPECT_EQ(Utf16ToMultiByte(CP_UTF8, u"\u4E2D", 1, bytes, 3, nullptr), 3);
    EXPECT_EQ(Utf16ToMultiByte(936, u"\u4E2D\u6587", 2, bytes, 3, nullptr), 0);
    EXPECT_EQ(Utf16ToMultiByte(936, u"\u4E2D\u6587", 2, bytes, 4, nullptr), 4);
    EXPECT_EQ(std::string(bytes, 4), "\xD6\xD0\xCE\xC4");
}

TEST(CodePage, AnsiTextIsConvertedAsTheLocaleDoesWithAndWithoutLookingItUp) {
    // Invariant characters only, then each with one that is not.
    const std::u16string invariant = u"/opt/My App (1.0)/main_x-y.z;a=b?c%d&e!f'g\"h*i,j:k<l>";
    for (const std::u16string& text :
         {invariant, invariant + u"+", invariant + u"\\", invariant + u"~", invariant + u"#",
          invariant + u"\u00E9", invariant + u"\t"}) {
        SCOPED_TRACE(FromUtf16(CP_UTF8, text));
        const std::string bytes = FromUtf16(CP_UTF8, text);
        EXPECT_EQ(FromUtf16(CP_ACP, text), bytes);
        EXPECT_EQ(ToUtf16(CP_ACP, bytes), text);
    }
    const int length = static_cast<int>(invariant.size());
    std::string bytes(invariant.size(), '\0');
    EXPECT_EQ(Utf16ToMultiByte(CP_ACP, invariant.data(), length, bytes.data(), length - 1, nullptr),
              0);
    std::u16string units(invariant.size(), u'\0');
    EXPECT_EQ(MultiByteToUtf16(CP_ACP, "/opt", 4, units.data(), 3), 0);
}

TEST(CodePage, UnrepresentableCharacterBecomesQuestionMarkAndSetsTheFlag) {
    bool lossy = false;
    EXPECT_EQ(FromUtf16(1252, u"a\u4E2Db\u00E9", &lossy), "a?b\xE9");
    EXPECT_TRUE(lossy);

    lossy = false;
    EXPECT_EQ(FromUtf16(1252, u"\u20AC\u00E9", &lossy), "\x80\xE9");
    EXPECT_FALSE(lossy);

    // A pair counts as one character; a lone surrogate as one.
    lossy = false;
    EXPECT_EQ(FromUtf16(20866, u"\U0001F600\u0416", &lossy), "?\xF6");
    EXPECT_TRUE(lossy);
    EXPECT_EQ(FromUtf16(20866, std::u16string{char16_t(0xD800), u'x', char16_t(0xD800)}), "?x?");
}

TEST(CodePage, StatefulEncodingShiftsBackForTheQuestionMark) {
    bool lossy = false;
    const std::string bytes = FromUtf16(50220, u"\u65E5\u20AC\u672C", &lossy);
    EXPECT_TRUE(lossy);
    EXPECT_EQ(bytes, "\x1B$BF|\x1B(B?\x1B$BK\\\x1B(B");
    EXPECT_EQ(ToUtf16(50220, bytes), u"\u65E5?\u672C");
}

TEST(CodePage, InvalidBytesOfOtherCodePagesBecomeReplacement) {
    EXPECT_EQ(ToUtf16(20127, "a\x80"
                             "b"),
              u"a\uFFFDb");
    EXPECT_EQ(ToUtf16(51949, "a\xB0"), u"a\uFFFD"); // lead byte cut off at the end
    EXPECT_EQ(ToUtf16(936, "\xD6\xD0\xCE\xC4"), u"\u4E2D\u6587");
    EXPECT_EQ(ToUtf16(932, "\x93\xFA\x96\x7B"), u"\u65E5\u672C");
}

TEST(CodePage, LongTextsAreMeasuredPastTheScratchBlock) {
    const std::u16string text(10000, u'\u00E9');
    EXPECT_EQ(Utf16ToMultiByte(1252, text.data(), 10000, nullptr, 0, nullptr), 10000);
    const std::string bytes(10000, '\xE9');
    EXPECT_EQ(MultiByteToUtf16(1252, bytes.data(), 10000, nullptr, 0), 10000);
    EXPECT_EQ(ToUtf16(1252, bytes), text);
}

TEST(CodePage, AnsiCodePageFollowsTheLocale) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto charsetUnder = [](const char* locale) {
        setenv("LC_ALL", locale, 1);
        std::exit(std::strcmp(CodePageCharset(CP_ACP), "UTF-8") == 0 ? 0 : 1);
    };
    EXPECT_EXIT(charsetUnder("C"), testing::ExitedWithCode(0), "");
    EXPECT_EXIT(charsetUnder("POSIX"), testing::ExitedWithCode(0), "");
    EXPECT_EXIT(charsetUnder("C.UTF-8"), testing::ExitedWithCode(0), "");
    EXPECT_EQ(ToUtf16(CP_ACP, "abc"), u"abc");
}

} // namespace
