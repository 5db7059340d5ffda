#include "unzip/entry_time.h"
#include "unzip/folders.h"
#include "unzip/unzipper.h"
#include "zip_test_support.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <sys/stat.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

constexpr uint32_t DosDateTime(int year, int month, int day, int hour, int minute, int second) {
    const auto date = static_cast<uint32_t>(((year - 1980) << 9) | (month << 5) | day);
    const auto time = static_cast<uint32_t>((hour << 11) | (minute << 5) | (second / 2));
    return date << 16 | time;
}

uint32_t Crc32(const std::string& data) {
    return static_cast<uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

TEST(UnzipperTest, NothingWorksWithoutAnArchive) {
    CUnzipper unzipper;
    ZipEntryInfo info;
    info.name = "left over";
    EXPECT_EQ(unzipper.TargetFolder(), "");
    EXPECT_FALSE(unzipper.ExtractAll());
    EXPECT_FALSE(unzipper.MoveToFirstEntry());
    EXPECT_FALSE(unzipper.MoveToNextEntry());
    EXPECT_FALSE(unzipper.ReadCurrentEntryInfo(info));
    EXPECT_EQ(info.name, "");
    EXPECT_FALSE(unzipper.ExtractCurrentEntry());
    EXPECT_FALSE(unzipper.CloseArchive());
}

TEST(UnzipperTest, OpenRefusesWhatIsNoArchive) {
    TempFolder temp;
    WriteFileBytes(temp / "text.zip", "this is not a zip archive at all, just some text");
    WriteFileBytes(temp / "empty.zip", "");
    const std::string paths[] = {"", temp / "missing.zip", temp / "text.zip", temp / "empty.zip",
                                 temp.Path()};
    for (const std::string& path : paths) {
        CUnzipper unzipper;
        EXPECT_FALSE(unzipper.OpenArchive(path)) << path;
        EXPECT_EQ(unzipper.TargetFolder(), "") << path;
        EXPECT_FALSE(unzipper.CloseArchive()) << path;
    }
}

TEST(UnzipperTest, TargetFolderDefaultsToFullArchivePathWithoutExtension) {
    TempFolder temp;
    fs::create_directories(temp / "dotted.folder");
    const ZipLayout layout = {.entries = {{.name = "a.txt", .data = "a"}}};
    const std::vector<ZipJob> jobs = {{temp / "1.0.4.zip", layout},
                                      {temp / "pkg.v2.zip", layout},
                                      {temp / "dotted.folder/package", layout}};
    ASSERT_TRUE(MakeZips(jobs));
    const std::pair<std::string, std::string> cases[] = {
        {temp / "1.0.4.zip", temp / "1.0.4"},
        {temp / "pkg.v2.zip", temp / "pkg.v2"},
        {temp / "dotted.folder/package", temp / "dotted.folder/package"},
        {temp / "dotted.folder/../1.0.4.zip", temp / "1.0.4"},
        {temp / "./missing/..//1.0.4.zip", temp / "1.0.4"},
    };
    for (const auto& [path, target] : cases) {
        CUnzipper unzipper;
        ASSERT_TRUE(unzipper.OpenArchive(path)) << path;
        EXPECT_EQ(unzipper.TargetFolder(), target) << path;
    }
    CurrentFolderScope current(temp / "dotted.folder");
    CUnzipper unzipper;
    ASSERT_TRUE(unzipper.OpenArchive("../1.0.4.zip"));
    EXPECT_EQ(unzipper.TargetFolder(), temp / "1.0.4");
    ASSERT_TRUE(unzipper.ExtractAll());
    EXPECT_EQ(ReadFileBytes(temp / "1.0.4/a.txt"), "a");
}

TEST(UnzipperTest, OpenClosesThePreviousArchive) {
    TempFolder temp;
    const ZipLayout layout = {.entries = {{.name = "a.txt", .data = "a"}}};
    ASSERT_TRUE(MakeZips({{temp / "first.zip", layout}, {temp / "second.zip", layout}}));
    CUnzipper unzipper;
    ASSERT_TRUE(unzipper.OpenArchive(temp / "first.zip"));
    ASSERT_TRUE(unzipper.SetTargetFolder(temp / "elsewhere"));
    ASSERT_TRUE(unzipper.OpenArchive(temp / "second.zip"));
    EXPECT_EQ(unzipper.TargetFolder(), temp / "second");
    EXPECT_FALSE(unzipper.OpenArchive(temp / "missing.zip"));
    EXPECT_EQ(unzipper.TargetFolder(), "");
    EXPECT_FALSE(unzipper.MoveToFirstEntry());
    ASSERT_TRUE(unzipper.OpenArchive(temp / "second.zip"));
    EXPECT_TRUE(unzipper.CloseArchive());
    EXPECT_EQ(unzipper.TargetFolder(), "");
    EXPECT_FALSE(unzipper.CloseArchive());
}

TEST(UnzipperTest, ReadsEveryEntryInOrder) {
    std::string longName = "1.0.4";
    for (int i = 0; i < 10; ++i)
        longName += "/" + std::string(100, static_cast<char>('a' + i));
    longName += "/file.txt";
    const std::string compressible(3000, 'x');
    ZipLayout layout;
    layout.entries = {
        {.name = "1.0.4\\data\\a.bin",
         .data = compressible,
         .attr = 0x20,
         .system = 0,
         .date = {2020, 5, 17, 10, 30, 42},
         .comment = "entry comment"},
        {.name = longName, .data = "deep", .method = "stored", .attr = UnixFileAttr(0640)},
        {.name = "1.0.4/folder/", .attr = UnixFolderAttr(0755)},
        {.name = "1.0.4/slash-file/", .data = "", .attr = UnixFileAttr(0644)}};
    TempFolder temp;
    const std::string zipPath = temp / "1.0.4.zip";
    ASSERT_TRUE(MakeZip(layout, zipPath));
    CUnzipper unzipper;
    ASSERT_TRUE(unzipper.OpenArchive(zipPath));
    ZipEntryInfo info;
    ASSERT_TRUE(unzipper.MoveToFirstEntry());
    ASSERT_TRUE(unzipper.ReadCurrentEntryInfo(info));
    EXPECT_EQ(info.name, "1.0.4/data/a.bin");
    EXPECT_EQ(info.comment, "entry comment");
    EXPECT_EQ(info.versionMadeBy >> 8, 0u);
    EXPECT_EQ(info.compressionMethod, 8u);
    EXPECT_EQ(info.dosDateTime, DosDateTime(2020, 5, 17, 10, 30, 42));
    EXPECT_EQ(info.crc32, Crc32(compressible));
    EXPECT_EQ(info.uncompressedSize, compressible.size());
    EXPECT_LT(info.compressedSize, compressible.size());
    EXPECT_EQ(info.externalAttributes, 0x20u);
    EXPECT_FALSE(info.isFolder);

    ASSERT_TRUE(unzipper.MoveToNextEntry());
    ASSERT_TRUE(unzipper.ReadCurrentEntryInfo(info));
    EXPECT_EQ(info.name, longName); // never cut
    EXPECT_EQ(info.comment, "");
    EXPECT_EQ(info.versionMadeBy >> 8, 3u);
    EXPECT_EQ(info.compressionMethod, 0u);
    EXPECT_EQ(info.compressedSize, 4u);
    EXPECT_EQ(info.externalAttributes, UnixFileAttr(0640));
    // Only the current entry is extracted, into the default target.
    ASSERT_TRUE(unzipper.ExtractCurrentEntry());
    EXPECT_EQ(ReadFileBytes(temp / ("1.0.4/" + longName)), "deep");
    EXPECT_EQ(ReadTree(temp / "1.0.4").size(), 12u); // 11 folders and the file

    ASSERT_TRUE(unzipper.MoveToNextEntry());
    ASSERT_TRUE(unzipper.ReadCurrentEntryInfo(info));
    EXPECT_EQ(info.name, "1.0.4/folder/");
    EXPECT_TRUE(info.isFolder);

    ASSERT_TRUE(unzipper.MoveToNextEntry());
    ASSERT_TRUE(unzipper.ReadCurrentEntryInfo(info));
    EXPECT_EQ(info.name, "1.0.4/slash-file/");
    EXPECT_TRUE(info.isFolder); // a name ending with "/" names a folder
    EXPECT_FALSE(unzipper.MoveToNextEntry());
}

TEST(UnzipperTest, LongPathsAreNotCut) {
    std::string name = "1.0.4";
    for (int i = 0; i < 30; ++i)
        name += "/" + std::string(60, static_cast<char>('a' + i % 26));
    TempFolder temp;
    const std::string zipPath = temp / "package.zip";
    ASSERT_TRUE(MakeZip({.entries = {{.name = name + "/", .attr = 0x10},
                                     {.name = name + "/leaf.txt", .data = "leaf"}}},
                        zipPath));
    CUnzipper unzipper;
    ASSERT_TRUE(unzipper.OpenArchive(zipPath));
    const std::string target = temp / std::string(200, 't');
    ASSERT_TRUE(unzipper.SetTargetFolder(target));
    ASSERT_TRUE(unzipper.ExtractAll());
    const std::string leaf = target + "/" + name + "/leaf.txt";
    EXPECT_GT(leaf.size(), 2000u);
    EXPECT_EQ(ReadFileBytes(leaf), "leaf");
}

// The entry's time is local time; the last-access time is the one the new file had.
TEST(UnzipperTest, FileTimeIsEntryTimeInLocalTime) {
    TimeZoneScope zone("America/New_York");
    struct Case {
        const char* name;
        std::array<int, 6> local;
        std::array<int, 6> utc;
    };
    const Case cases[] = {
        {"summer.txt", {2020, 7, 1, 12, 0, 0}, {2020, 7, 1, 16, 0, 0}},
        {"winter.txt", {2020, 1, 15, 12, 0, 58}, {2020, 1, 15, 17, 0, 58}},
        {"oldest.txt", {1980, 1, 1, 0, 0, 0}, {1980, 1, 1, 5, 0, 0}},
        {"link", {2010, 10, 10, 10, 10, 10}, {2010, 10, 10, 14, 10, 10}},
    };
    ZipLayout layout;
    for (const Case& c : cases)
        layout.entries.push_back({.name = c.name, .data = "x", .date = c.local});
    layout.entries.back().data = "summer.txt";
    layout.entries.back().attr = UnixLinkAttr();
    TempFolder temp;
    const std::string zipPath = temp / "package.zip";
    ASSERT_TRUE(MakeZip(layout, zipPath));
    const std::time_t before = std::time(nullptr);
    CUnzipper unzipper;
    ASSERT_TRUE(unzipper.OpenArchive(zipPath));
    ASSERT_TRUE(unzipper.ExtractAll());
    for (const Case& c : cases) {
        std::tm utc{};
        utc.tm_year = c.utc[0] - 1900;
        utc.tm_mon = c.utc[1] - 1;
        utc.tm_mday = c.utc[2];
        utc.tm_hour = c.utc[3];
        utc.tm_min = c.utc[4];
        utc.tm_sec = c.utc[5];
        struct stat status {};
        ASSERT_EQ(lstat((temp / "package/" + c.name).c_str(), &status), 0);
        EXPECT_EQ(status.st_mtim.tv_sec, timegm(&utc)) << c.name;
        EXPECT_EQ(status.st_mtim.tv_nsec, 0) << c.name;
        EXPECT_GE(status.st_atim.tv_sec, before - 1) << c.name;
    }
    EXPECT_TRUE(fs::is_symlink(temp / "package/link"));
}

TEST(UnzipperTest, DosTimesOutOfRangeAreRefused) {
    const uint32_t invalid[] = {
        DosDateTime(2020, 0, 1, 0, 0, 0),  DosDateTime(2020, 13, 1, 0, 0, 0),
        DosDateTime(2020, 1, 0, 0, 0, 0),  DosDateTime(2020, 1, 1, 24, 0, 0),
        DosDateTime(2020, 1, 1, 0, 60, 0), DosDateTime(2020, 1, 1, 0, 0, 60)};
    for (const uint32_t dosDateTime : invalid) {
        std::time_t time = 0;
        EXPECT_FALSE(DosDateTimeToTime(dosDateTime, time)) << std::hex << dosDateTime;
    }
    TempFolder temp;
    EXPECT_FALSE(SetEntryFileTime(temp / "missing", DosDateTime(2020, 1, 1, 0, 0, 0)));
}

TEST(FoldersTest, EnsureFolder) {
    TempFolder temp;
    WriteFileBytes(temp / "file", "x");
    struct Case {
        std::string path;
        bool result;
    };
    const Case cases[] = {
        {"", false},
        {"/", true},
        {temp.Path(), true},
        {temp / "a/b/c", true},
        {temp / "a/b/c", true}, // exists now
        {temp / "d//e///", true},
        {temp / "a/../f/g", true},
        {temp / "file", false},
        {temp / "file/sub", false},
        {temp / "file/sub/deeper", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(EnsureFolder(c.path), c.result) << c.path;
        if (c.result) {
            EXPECT_TRUE(fs::is_directory(c.path)) << c.path;
        }
    }
    EXPECT_FALSE(fs::exists(temp / "file/sub"));
    // Relative paths start in the current folder, which exists; their first folder is made.
    CurrentFolderScope current(temp.Path());
    EXPECT_TRUE(EnsureFolder("top"));
    EXPECT_TRUE(EnsureFolder("rel/deeper"));
    EXPECT_TRUE(fs::is_directory(temp / "top"));
    EXPECT_TRUE(fs::is_directory(temp / "rel/deeper"));
}

TEST(FoldersTest, EnsureParentFolder) {
    TempFolder temp;
    EXPECT_FALSE(EnsureParentFolder("no-separator"));
    EXPECT_TRUE(EnsureParentFolder("/at-root"));
    EXPECT_TRUE(EnsureParentFolder(temp / "a/b/file.txt"));
    EXPECT_TRUE(fs::is_directory(temp / "a/b"));
    EXPECT_FALSE(fs::exists(temp / "a/b/file.txt"));
    WriteFileBytes(temp / "a/b/file.txt", "x");
    EXPECT_FALSE(EnsureParentFolder(temp / "a/b/file.txt/inner"));
}

} // namespace
