#include "markup/mode_flags.h"
#include "textfile/text_file.h"

#include "file_support.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

std::string Repeat(std::string_view piece, int count) {
    std::string out;
    for (int i = 0; i < count; ++i)
        out += piece;
    return out;
}

struct ReadCase {
    const char* name;
    std::string bytes;
    std::u16string text;
    std::u16string report;
    uint32_t flagsAfter;
};

const std::u16string kLongComment = Widen(Repeat("-", 1100));

const ReadCase kReadCases[] = {
    {"empty file", "", u"", u"<read encoding=\"\" length=\"0\"/>", 0},
    {"only the UTF-8 mark", "\xEF\xBB\xBF", u"", u"<bom/><read encoding=\"UTF-8\" length=\"0\"/>",
     ModeUtf8Bom},
    {"cut UTF-8 mark", "\xEF\xBB", u"\uFFFD",
     u"<read encoding=\"\" length=\"2\"/><utf8_detection/>"
     u"<converted_to encoding=\"UTF-16\" length=\"1\"/>",
     0},
    {"mark wins over declaration",
     "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"GB2312\"?><a>\xE4\xB8\xAD</a>",
     u"<?xml version=\"1.0\" encoding=\"GB2312\"?><a>\u4E2D</a>",
     u"<bom/><read encoding=\"UTF-8\" length=\"49\"/>"
     u"<converted_to encoding=\"UTF-16\" length=\"47\"/>",
     ModeUtf8Bom},
    {"lowercase declared gb2312", "<?xml version=\"1.0\" encoding=\"gb2312\"?><a>\xD6\xD0</a>",
     u"<?xml version=\"1.0\" encoding=\"gb2312\"?><a>\u4E2D</a>",
     u"<read encoding=\"gb2312\" length=\"48\"/><converted_to encoding=\"UTF-16\" length=\"47\"/>",
     0},
    {"starts with <, no declaration", "<a>x</a>", u"<a>x</a>",
     u"<read encoding=\"UTF-8\" length=\"8\"/><converted_to encoding=\"UTF-16\" length=\"8\"/>", 0},
    {"starts with a blank, valid UTF-8", " <a>\xC3\xA9</a>", u" <a>\u00E9</a>",
     u"<read encoding=\"UTF-8\" length=\"10\"/><utf8_detection/>"
     u"<converted_to encoding=\"UTF-16\" length=\"9\"/>",
     0},
    {"UTF-16LE without a mark", std::string("<\0a\0/\0>\0", 8), u"<a/>",
     u"<read encoding=\"UTF-8\" length=\"8\"/><nulls_removed count=\"4\"/>"
     u"<converted_to encoding=\"UTF-16\" length=\"4\"/>",
     0},
    {"UTF-16LE with a mark", std::string("\xFF\xFE<\0a\0\x2D\x4E/\0>\0", 12), u"<a\u4E2D/>",
     u"<bom/><read encoding=\"UTF-16LE\" length=\"5\"/>", ModeUtf16LE},
    {"UTF-16BE with a mark", std::string("\xFE\xFF\0<\0a\x4E\x2D\0/\0>", 12), u"<a\u4E2D/>",
     u"<bom/><read encoding=\"UTF-16BE\" length=\"5\"/><endian_swap/>", ModeUtf16BE},
    {"UTF-16LE, odd last byte", std::string("\xFF\xFE<\0a", 5), u"<",
     u"<bom/><read encoding=\"UTF-16LE\" length=\"1\"/>", ModeUtf16LE},
    {"UTF-32LE with a mark", std::string("\xFF\xFE\0\0<\0\0\0a\0\0\0/\0\0\0>\0\0\0", 20), u"<a/>",
     u"<bom/><read encoding=\"UTF-16LE\" length=\"9\"/><nulls_removed count=\"5\"/>", ModeUtf16LE},
    {"unknown declared name", "<?xml version=\"1.0\" encoding=\"x-nothing\"?><a>\xC3\xA9</a>",
     u"<?xml version=\"1.0\" encoding=\"x-nothing\"?><a>\u00E9</a>",
     u"<read encoding=\"x-nothing\" length=\"51\"/><converted_to encoding=\"UTF-16\" "
     u"length=\"50\"/>",
     0},
    {"zero bytes in UTF-8", std::string("<a>\0b\0</a>", 10), u"<a>b</a>",
     u"<read encoding=\"UTF-8\" length=\"10\"/><nulls_removed count=\"2\"/>"
     u"<converted_to encoding=\"UTF-16\" length=\"8\"/>",
     0},
    {"declared UTF-16 without a mark", "<?xml version=\"1.0\" encoding=\"UTF-16\"?><a>\xC3\xA9</a>",
     u"<?xml version=\"1.0\" encoding=\"UTF-16\"?><a>\u00E9</a>",
     u"<read encoding=\"UTF-8\" length=\"48\"/><converted_to encoding=\"UTF-16\" length=\"47\"/>",
     0},
    {"declared UTF-32 without a mark, not starting with <",
     "\n<?xml version=\"1.0\"?><html><head><meta http-equiv=\"Content-Type\" "
     "content=\"text/html; charset=UTF-32\"/></head></html>",
     u"\n<?xml version=\"1.0\"?><html><head><meta http-equiv=\"Content-Type\" "
     u"content=\"text/html; charset=UTF-32\"/></head></html>",
     u"<read encoding=\"UTF-8\" length=\"117\"/><utf8_detection/>"
     u"<converted_to encoding=\"UTF-16\" length=\"117\"/>",
     0},
    {"meta charset within the first 1024 bytes",
     "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; "
     "charset=windows-1252\"/></head>\xE9</html>",
     u"<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; "
     u"charset=windows-1252\"/></head>\u00E9</html>",
     u"<read encoding=\"windows-1252\" length=\"102\"/>"
     u"<converted_to encoding=\"UTF-16\" length=\"102\"/>",
     0},
    {"meta charset beyond byte 1024",
     "<html><head><!--" + Repeat("-", 1100) +
         "--><meta http-equiv=\"Content-Type\" content=\"text/html; "
         "charset=windows-1252\"/></head>\xE9</html>",
     u"<html><head><!--" + kLongComment +
         u"--><meta http-equiv=\"Content-Type\" content=\"text/html; "
         u"charset=windows-1252\"/></head>\uFFFD</html>",
     u"<read encoding=\"UTF-8\" length=\"1209\"/><converted_to encoding=\"UTF-16\" "
     u"length=\"1209\"/>",
     0},
};

TEST(ReadWholeFile, SettlesEncodingTextAndReport) {
    const TempFolder folder;
    for (const ReadCase& c : kReadCases) {
        SCOPED_TRACE(c.name);
        WriteBytes(folder.Path("f"), c.bytes);
        std::u16string text = u"old";
        std::u16string report = u"<old/>";
        uint32_t flags = ModeIgnoreCase | 0x100;
        EXPECT_TRUE(ReadWholeFile(folder.Path16("f"), text, &report, &flags));
        EXPECT_EQ(Narrow(text), Narrow(c.text));
        EXPECT_EQ(Narrow(report), Narrow(c.report));
        EXPECT_EQ(flags, c.flagsAfter | ModeIgnoreCase | 0x100);
    }
}

TEST(ReadWholeFile, ResultAndFlagsAreOptional) {
    const TempFolder folder;
    WriteBytes(folder.Path("f"), "\xEF\xBB\xBF<a/>");
    std::u16string text;
    EXPECT_TRUE(ReadWholeFile(folder.Path16("f"), text, nullptr, nullptr));
    EXPECT_EQ(Narrow(text), "<a/>");
}

TEST(ReadWholeFile, ReadingAgainResetsTheEncodingBits) {
    const TempFolder folder;
    WriteBytes(folder.Path("f"), std::string("<\0a\0", 4));
    std::u16string text;
    uint32_t flags = ModeUtf16BE | ModeUtf16LE | ModeUtf8Bom;
    EXPECT_TRUE(ReadWholeFile(folder.Path16("f"), text, nullptr, &flags));
    EXPECT_EQ(flags, 0u);
    EXPECT_EQ(Narrow(text), "<a");
}

TEST(ReadWholeFile, ModeBitsNeverReachTheCaller) {
    const TempFolder folder;
    WriteBytes(folder.Path("f"), "<a/>");
    std::u16string text;
    uint32_t flags = ModeReadFile | ModeWriteFile | 0x40;
    EXPECT_TRUE(ReadWholeFile(folder.Path16("f"), text, nullptr, &flags));
    EXPECT_EQ(flags, 0u);
}

struct FailCase {
    const char* name;
    std::string path; // relative to the test folder
    std::u16string report;
};

TEST(ReadWholeFile, FailedOpenReportsTheSystemError) {
    const TempFolder folder;
    const FailCase cases[] = {
        {"missing file", "missing.xml", u"<file_error msg=\"No such file or directory\" n=\"2\"/>"},
        {"missing folder", "none/config.xml",
         u"<file_error msg=\"No such file or directory\" n=\"2\"/>"},
        {"a folder", "", u"<file_error msg=\"Is a directory\" n=\"21\"/>"},
    };
    for (const FailCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::u16string text = u"old";
        std::u16string report = u"<old/>";
        uint32_t flags = ModeUtf16BE | ModeIgnoreCase;
        EXPECT_FALSE(ReadWholeFile(folder.Path16(c.path), text, &report, &flags));
        EXPECT_EQ(Narrow(text), "");
        EXPECT_EQ(Narrow(report), Narrow(c.report));
        EXPECT_EQ(flags, ModeUtf16BE | ModeIgnoreCase);
    }
}

TEST(ReadWholeFile, PathThatTheMultiByteEncodingCannotHoldIsRefused) {
    const TempFolder folder;
    std::u16string path = folder.Path16("a");
    path += char16_t(0xD800); // a lone surrogate
    std::u16string text;
    std::u16string report;
    EXPECT_FALSE(ReadWholeFile(path, text, &report, nullptr));
    EXPECT_NE(report.find(u"n=\"84\""), std::u16string::npos) << Narrow(report);
}

TEST(ReadWholeFile, NonAsciiPathsWork) {
    const TempFolder folder;
    WriteBytes(folder.Path("\xC3\xA9t\xC3\xA9.xml"), "<a/>");
    std::u16string text;
    EXPECT_TRUE(ReadWholeFile(folder.Path16("") + u"\u00E9t\u00E9.xml", text, nullptr, nullptr));
    EXPECT_EQ(Narrow(text), "<a/>");
}

} // namespace
