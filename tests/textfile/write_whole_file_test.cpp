#include "markup/mode_flags.h"
#include "textfile/text_file.h"

#include "file_support.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdint>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct WriteCase {
    const char* name;
    std::u16string text;
    uint32_t flags;
    std::string bytes;
    std::u16string report;
    uint32_t flagsAfter;
    bool readsBack = true; // reading gives back the text
};

const std::u16string kLongComment(1100, u'-');

const WriteCase kWriteCases[] = {
    {"UTF-8 mark", u"<a>\u00E9</a>", ModeUtf8Bom, "\xEF\xBB\xBF<a>\xC3\xA9</a>",
     u"<bom/><converted_from encoding=\"UTF-16\" length=\"8\"/>"
     u"<write encoding=\"UTF-8\" length=\"9\"/>",
     ModeUtf8Bom},
    {"UTF-16LE mark", u"<a>\u4E2D</a>", ModeUtf16LE,
     std::string("\xFF\xFE<\0a\0>\0\x2D\x4E<\0/\0a\0>\0", 18),
     u"<bom/><write encoding=\"UTF-16LE\" length=\"8\"/>", ModeUtf16LE},
    {"UTF-16BE mark", u"<a>\u4E2D</a>", ModeUtf16BE,
     std::string("\xFE\xFF\0<\0a\0>\x4E\x2D\0<\0/\0a\0>", 18),
     u"<bom/><endian_swap/><write encoding=\"UTF-16BE\" length=\"8\"/>", ModeUtf16BE},
    {"no bit, no declaration", u"<a>\u00E9</a>", 0, "<a>\xC3\xA9</a>",
     u"<converted_from encoding=\"UTF-16\" length=\"8\"/><write encoding=\"UTF-8\" length=\"9\"/>",
     0},
    {"declared windows-1252, unrepresentable character",
     u"<?xml version=\"1.0\" encoding=\"windows-1252\"?><a>\u00E9\u4E2D</a>", 0,
     "<?xml version=\"1.0\" encoding=\"windows-1252\"?><a>\xE9?</a>",
     u"<converted_from encoding=\"UTF-16\" length=\"54\"/><conversion_loss/>"
     u"<write encoding=\"windows-1252\" length=\"54\"/>",
     0, false},
    {"declaration beyond the first 1024 characters",
     u"<html><head><!--" + kLongComment +
         u"--><meta http-equiv=\"Content-Type\" content=\"text/html; charset=koi8-r\"/>"
         u"</head>\u0416</html>",
     0,
     "<html><head><!--" + std::string(1100, '-') +
         "--><meta http-equiv=\"Content-Type\" content=\"text/html; charset=koi8-r\"/>"
         "</head>\xF6</html>",
     u"<converted_from encoding=\"UTF-16\" length=\"1203\"/>"
     u"<write encoding=\"koi8-r\" length=\"1203\"/>",
     0, false}, // reading looks for the declaration in the first 1024 bytes only
    {"UTF-8 is never asked about losses", u"<a>\xD800</a>", 0, "<a>\xEF\xBF\xBD</a>",
     u"<converted_from encoding=\"UTF-16\" length=\"8\"/><write encoding=\"UTF-8\" length=\"10\"/>",
     0, false},
    {"empty text, no bit", u"", 0, "", u"<write encoding=\"\" length=\"0\"/>", 0},
    {"empty text, UTF-8 mark", u"", ModeUtf8Bom, "\xEF\xBB\xBF",
     u"<bom/><write encoding=\"UTF-8\" length=\"0\"/>", ModeUtf8Bom},
    {"declared UTF-16 without a bit", u"<?xml version=\"1.0\" encoding=\"UTF-16\"?><a/>", 0,
     "\xFF\xFE" + Utf16LEBytes(u"<?xml version=\"1.0\" encoding=\"UTF-16\"?><a/>"),
     u"<bom/><write encoding=\"UTF-16LE\" length=\"43\"/>", ModeUtf16LE},
    {"declared UTF-32BE without a bit",
     u"<html><head><meta http-equiv=\"Content-Type\" content=\"charset=UTF-32BE\"/></head>", 0,
     "\xFF\xFE" + Utf16LEBytes(u"<html><head><meta http-equiv=\"Content-Type\" "
                               u"content=\"charset=UTF-32BE\"/></head>"),
     u"<bom/><write encoding=\"UTF-16LE\" length=\"79\"/>", ModeUtf16LE},
    {"several encoding bits: the first row wins", u"<a/>", ModeUtf16BE | ModeUtf8Bom,
     "\xEF\xBB\xBF<a/>",
     u"<bom/><converted_from encoding=\"UTF-16\" length=\"4\"/>"
     u"<write encoding=\"UTF-8\" length=\"4\"/>",
     ModeUtf8Bom},
    {"mode bits are cleared", u"<a/>", ModeReadFile | 0x40, "<a/>",
     u"<converted_from encoding=\"UTF-16\" length=\"4\"/><write encoding=\"UTF-8\" length=\"4\"/>",
     0},
};

TEST(WriteWholeFile, WritesTheEncodingAndReport) {
    const TempFolder folder;
    for (const WriteCase& c : kWriteCases) {
        SCOPED_TRACE(c.name);
        WriteBytes(folder.Path("f"), "old content");
        const std::u16string before = c.text;
        std::u16string report = u"<old/>";
        uint32_t flags = c.flags | ModeIgnoreCase;
        EXPECT_TRUE(WriteWholeFile(folder.Path16("f"), c.text, &report, &flags));
        EXPECT_EQ(ReadBytes(folder.Path("f")), c.bytes);
        EXPECT_EQ(Narrow(report), Narrow(c.report));
        EXPECT_EQ(flags, c.flagsAfter | ModeIgnoreCase);
        EXPECT_EQ(c.text, before);
        EXPECT_EQ(FolderListing(folder.Path("")), "f");
    }
}

TEST(WriteWholeFile, WrittenTextReadsBack) {
    const TempFolder folder;
    for (const WriteCase& c : kWriteCases) {
        SCOPED_TRACE(c.name);
        if (!c.readsBack)
            continue;
        uint32_t flags = c.flags & ~kFileModeBits;
        ASSERT_TRUE(WriteWholeFile(folder.Path16("f"), c.text, nullptr, &flags));
        std::u16string text;
        uint32_t readFlags = 0;
        ASSERT_TRUE(ReadWholeFile(folder.Path16("f"), text, nullptr, &readFlags));
        EXPECT_EQ(Narrow(text), Narrow(c.text));
        EXPECT_EQ(readFlags, flags);
    }
}

TEST(WriteWholeFile, CreatesAMissingFile) {
    const TempFolder folder;
    std::u16string report;
    EXPECT_TRUE(WriteWholeFile(folder.Path16("new.xml"), u"<a/>", &report, nullptr));
    EXPECT_EQ(ReadBytes(folder.Path("new.xml")), "<a/>");
    EXPECT_EQ(FolderListing(folder.Path("")), "new.xml");
}

TEST(WriteWholeFile, KeepsThePermissionBitsOfTheFile) {
    const TempFolder folder;
    WriteBytes(folder.Path("f"), "old");
    ASSERT_EQ(chmod(folder.Path("f").c_str(), 0640), 0);
    EXPECT_TRUE(WriteWholeFile(folder.Path16("f"), u"<a/>", nullptr, nullptr));
    struct stat info {};
    ASSERT_EQ(stat(folder.Path("f").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST(WriteWholeFile, ReplacesTheFileBehindASymbolicLink) {
    const TempFolder folder;
    WriteBytes(folder.Path("real.xml"), "old");
    ASSERT_EQ(symlink("real.xml", folder.Path("link.xml").c_str()), 0);
    EXPECT_TRUE(WriteWholeFile(folder.Path16("link.xml"), u"<a/>", nullptr, nullptr));
    struct stat info {};
    ASSERT_EQ(lstat(folder.Path("link.xml").c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    EXPECT_EQ(ReadBytes(folder.Path("real.xml")), "<a/>");
}

struct FailedWriteCase {
    const char* name;
    std::string target; // relative to the test folder
    std::u16string text;
    std::u16string report;
};

// Each failure leaves an existing file byte-identical and no temporary file behind.
TEST(WriteWholeFile, FailedWriteLeavesTheOldFile) {
    const FailedWriteCase cases[] = {
        {"refused conversion", "config.xml",
         u"<?xml version=\"1.0\" encoding=\"x-mac-japanese\"?><a/>",
         u"<converted_from encoding=\"UTF-16\" length=\"51\"/>"
         u"<file_error msg=\"Invalid argument\" n=\"22\"/>"},
        {"target is a folder", "sub", u"<a/>", u"<file_error msg=\"Is a directory\" n=\"21\"/>"},
        {"folder missing", "gone/config.xml", u"<a/>",
         u"<file_error msg=\"No such file or directory\" n=\"2\"/>"},
    };
    for (const FailedWriteCase& c : cases) {
        SCOPED_TRACE(c.name);
        const TempFolder folder;
        const std::string original = "\xEF\xBB\xBF<config><Version>1.0.0</Version></config>\r\n";
        WriteBytes(folder.Path("config.xml"), original);
        ASSERT_EQ(mkdir(folder.Path("sub").c_str(), 0755), 0);
        std::u16string report = u"<old/>";
        uint32_t flags = ModeIgnoreCase;
        EXPECT_FALSE(WriteWholeFile(folder.Path16(c.target), c.text, &report, &flags));
        EXPECT_EQ(Narrow(report), Narrow(c.report));
        EXPECT_EQ(flags, ModeIgnoreCase);
        EXPECT_EQ(ReadBytes(folder.Path("config.xml")), original);
        EXPECT_EQ(FolderListing(folder.Path("")), "config.xml/sub");
        EXPECT_EQ(FolderListing(folder.Path("sub")), "");
    }
}

// A write that runs out of room part way (a file-size limit stands in for a full disk, and
// works as root): the old file survives whole and the report names the error.
TEST(WriteWholeFile, WriteCutShortLeavesTheOldFile) {
    const TempFolder folder;
    const std::string original = "<config><Version>1.0.0</Version></config>";
    WriteBytes(folder.Path("config.xml"), original);
    const std::u16string text = u"<config>" + std::u16string(100000, u'x') + u"</config>";

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        std::u16string report;
        const bool written = WriteWholeFile(folder.Path16("config.xml"), text, &report, nullptr);
        const bool reported =
            report.find(u"<file_error msg=\"File too large\" n=\"27\"/>") != std::u16string::npos;
        _exit(!written && reported ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(ReadBytes(folder.Path("config.xml")), original);
    EXPECT_EQ(FolderListing(folder.Path("")), "config.xml");
}

} // namespace
