#include "markup/mode_flags.h"
#include "textfile/text_file.h"

#include "file_support.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(CTextFile, NewObjectIsEmpty) {
    const CTextFile file;
    EXPECT_EQ(file.m_pFile, nullptr);
    EXPECT_EQ(file.m_nFlags, 0u);
    EXPECT_EQ(file.m_nOpBytes, 0);
    EXPECT_EQ(file.m_nFileSize, 0);
    EXPECT_EQ(file.m_nFilePos, 0);
    EXPECT_EQ(file.m_nUnitSize, 0);
    EXPECT_EQ(file.m_nUnitCount, 0);
    EXPECT_TRUE(file.m_strLog.empty());
    EXPECT_TRUE(file.m_strEncodingName.empty());
}

struct OpenCase {
    const char* name;
    std::string bytes;
    int32_t filePos;
    int32_t unitSize;
    std::u16string encoding;
    std::string block; // what ReadBlock leaves of the rest of the file
};

TEST(CTextFile, OpenForReadingMeasuresAndSkipsTheMark) {
    const OpenCase cases[] = {
        {"empty", "", 0, 1, u"", ""},
        {"UTF-8 mark only", "\xEF\xBB\xBF", 3, 1, u"UTF-8", ""},
        {"UTF-8 mark", "\xEF\xBB\xBFxy", 3, 1, u"UTF-8", "xy"},
        {"UTF-16LE mark", std::string("\xFF\xFEx\0", 4), 2, 2, u"UTF-16LE", std::string("x\0", 2)},
        {"UTF-16BE mark, swapped", std::string("\xFE\xFF\0x", 4), 2, 2, u"UTF-16BE",
         std::string("x\0", 2)},
        {"one byte of a mark", "\xFF", 0, 1, u"", "\xFF"},
        {"starts with <", "<a/>", 0, 1, u"UTF-8", "<a/>"},
        {"declaration", "<?xml version=\"1\" encoding=\"latin1\"?><a/>", 0, 1, u"latin1",
         "<?xml version=\"1\" encoding=\"latin1\"?><a/>"},
        {"text", "abc", 0, 1, u"", "abc"},
    };
    const TempFolder folder;
    for (const OpenCase& c : cases) {
        SCOPED_TRACE(c.name);
        WriteBytes(folder.Path("f"), c.bytes);
        CTextFile file;
        file.m_nFlags = ModeReadFile;
        ASSERT_TRUE(file.Open(folder.Path16("f")));
        EXPECT_NE(file.m_pFile, nullptr);
        EXPECT_EQ(file.m_nFileSize, static_cast<int32_t>(c.bytes.size()));
        EXPECT_EQ(file.m_nFilePos, c.filePos);
        EXPECT_EQ(file.m_nUnitSize, c.unitSize);
        EXPECT_EQ(Narrow(file.m_strEncodingName), Narrow(c.encoding));

        // The stream stands just after the mark: the block read takes the rest.
        file.m_nOpBytes = file.m_nFileSize - file.m_nFilePos;
        std::string rest(static_cast<size_t>(file.m_nOpBytes), '\0');
        if (!rest.empty()) {
            ASSERT_TRUE(file.ReadBlock(rest.data()));
            EXPECT_EQ(rest, c.block);
        }
        EXPECT_EQ(file.m_nFilePos, file.m_nFileSize);
        EXPECT_TRUE(file.Close(true));
        EXPECT_EQ(file.m_pFile, nullptr);
    }
}

TEST(CTextFile, WriteCountsBytesWithTheMark) {
    const TempFolder folder;
    CTextFile file;
    file.m_nFlags = ModeWriteFile | ModeUtf16BE;
    ASSERT_TRUE(file.Open(folder.Path16("f")));
    EXPECT_EQ(file.m_nFilePos, 2);
    EXPECT_EQ(file.m_nUnitSize, 2);
    const std::u16string text = u"<a>\u4E2D</a>";
    ASSERT_TRUE(file.WriteContent(text, 3));
    EXPECT_EQ(file.m_nUnitCount, 3);
    EXPECT_EQ(file.m_nOpBytes, 6);
    EXPECT_EQ(file.m_nFilePos, 8);
    EXPECT_EQ(file.m_nFileSize, 0);
    EXPECT_EQ(Narrow(file.m_strLog), "<endian_swap/><write encoding=\"UTF-16BE\" length=\"3\"/>");
    EXPECT_FALSE(FileExists(folder.Path("f"))) << "nothing is in place before the close";
    ASSERT_TRUE(file.Close(true));
    EXPECT_EQ(ReadBytes(folder.Path("f")), std::string("\xFE\xFF\0<\0a\0>", 8));
}

TEST(CTextFile, CloseWithoutKeepingLeavesTheFile) {
    const TempFolder folder;
    WriteBytes(folder.Path("f"), "old");
    CTextFile file;
    file.m_nFlags = ModeWriteFile;
    file.m_strEncodingName = u"UTF-8";
    ASSERT_TRUE(file.Open(folder.Path16("f")));
    ASSERT_TRUE(file.WriteContent(u"new", -1));
    EXPECT_TRUE(file.Close(false));
    EXPECT_EQ(ReadBytes(folder.Path("f")), "old");
    EXPECT_EQ(FolderListing(folder.Path("")), "f");
}

TEST(CTextFile, FileErrorCutsTheMessageAndAlwaysFails) {
    CTextFile file;
    EXPECT_FALSE(file.FileError(2));
    EXPECT_FALSE(file.FileError(13));
    EXPECT_EQ(Narrow(file.m_strLog), "<file_error msg=\"No such file or directory\" n=\"2\"/>"
                                     "<file_error msg=\"Permission denied\" n=\"13\"/>");
}

TEST(CTextFile, OpenWithoutAModeFails) {
    CTextFile file;
    EXPECT_FALSE(file.Open(u"/tmp"));
    EXPECT_EQ(file.m_pFile, nullptr);
}

} // namespace
