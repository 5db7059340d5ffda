#include "unzip/entry_data.h"
#include "unzip/unzipper.h"
#include "zip_test_support.h"

#include <gtest/gtest.h>
#include <zip.h>
#include <zlib.h>

#include <algorithm>
#include <filesystem>
#include <random>

namespace fs = std::filesystem;

namespace {

// Extracts the archive into target the way the installation does.
bool Extract(const std::string& zipPath, const std::string& target) {
    CUnzipper unzipper;
    EXPECT_TRUE(unzipper.OpenArchive(zipPath));
    EXPECT_TRUE(unzipper.SetTargetFolder(target));
    const bool extracted = unzipper.ExtractAll();
    EXPECT_TRUE(unzipper.CloseArchive());
    return extracted;
}

std::vector<std::string> ListTree(const std::string& root) {
    std::vector<std::string> paths;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        paths.push_back(entry.path().lexically_relative(root).string());
    std::sort(paths.begin(), paths.end());
    return paths;
}

std::string DeflateWithFixedCodes(const std::string& text) {
    z_stream stream{};
    deflateInit2(&stream, 6, Z_DEFLATED, -MAX_WBITS, 8, Z_FIXED);
    std::string deflated(deflateBound(&stream, text.size()), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    stream.avail_in = static_cast<uInt>(text.size());
    stream.next_out = reinterpret_cast<Bytef*>(deflated.data());
    stream.avail_out = static_cast<uInt>(deflated.size());
    deflate(&stream, Z_FINISH);
    deflated.resize(stream.total_out);
    deflateEnd(&stream);
    return deflated;
}

// Inflating into one output piece takes every compressed byte, and output is still to come.
bool TailIsHeldByTheInflater(const std::string& deflated) {
    z_stream stream{};
    inflateInit2(&stream, -MAX_WBITS);
    std::string piece(kOutputPieceSize, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(deflated.data()));
    stream.avail_in = static_cast<uInt>(deflated.size());
    stream.next_out = reinterpret_cast<Bytef*>(piece.data());
    stream.avail_out = static_cast<uInt>(piece.size());
    const bool held =
        inflate(&stream, Z_NO_FLUSH) == Z_OK && stream.avail_in == 0 && stream.avail_out == 0;
    inflateEnd(&stream);
    return held;
}

bool WriteDeflatedEntry(const std::string& zipPath, const std::string& name,
                        const std::string& text, const std::string& deflated) {
    zipFile zip = zipOpen64(zipPath.c_str(), APPEND_STATUS_CREATE);
    zip_fileinfo info{};
    const uLong crc =
        crc32(0, reinterpret_cast<const Bytef*>(text.data()), static_cast<uInt>(text.size()));
    const bool written = zip != nullptr &&
                         zipOpenNewFileInZip2(zip, name.c_str(), &info, nullptr, 0, nullptr, 0,
                                              nullptr, Z_DEFLATED, 6, 1) == ZIP_OK &&
                         zipWriteInFileInZip(zip, deflated.data(),
                                             static_cast<unsigned>(deflated.size())) == ZIP_OK &&
                         zipCloseFileInZipRaw(zip, text.size(), crc) == ZIP_OK;
    return zip != nullptr && zipClose(zip, nullptr) == ZIP_OK && written;
}

class ExtractTest : public ::testing::Test {
  protected:
    bool ZipAndExtract(const ZipLayout& layout, const std::string& target) {
        const std::string zipPath = temp / "package.zip";
        EXPECT_TRUE(MakeZip(layout, zipPath));
        return Extract(zipPath, target);
    }

    TempFolder temp;
};

TEST_F(ExtractTest, CreatesFoldersOnTheWayWithoutFolderEntries) {
    struct Case {
        const char* method;
        char separator;
    };
    const Case cases[] = {{"stored", '/'}, {"deflated", '/'}, {"stored", '\\'}, {"deflated", '\\'}};
    std::vector<ZipJob> jobs;
    for (const Case& c : cases) {
        const std::string sep(1, c.separator);
        ZipLayout layout;
        layout.entries = {
            {.name = "1.0.4" + sep + "main.exe", .data = "main program", .method = c.method},
            {.name = "1.0.4" + sep + "data" + sep + "a.bin",
             .method = c.method,
             .randomBytes = 5000}};
        jobs.push_back({temp / std::to_string(jobs.size()) + ".zip", layout});
    }
    ASSERT_TRUE(MakeZips(jobs));
    for (size_t i = 0; i < jobs.size(); ++i) {
        SCOPED_TRACE(std::string(cases[i].method) + " " + cases[i].separator);
        const std::string app = temp / ("App" + std::to_string(i));
        ASSERT_TRUE(Extract(jobs[i].path, app));
        EXPECT_EQ(ListTree(app), (std::vector<std::string>{"1.0.4", "1.0.4/data",
                                                           "1.0.4/data/a.bin", "1.0.4/main.exe"}));
        EXPECT_EQ(ReadFileBytes(app + "/1.0.4/main.exe"), "main program");
        EXPECT_EQ(ReadFileBytes(app + "/1.0.4/data/a.bin").size(), 5000u);
    }
}

TEST_F(ExtractTest, FolderEntryCreatesEmptyFolder) {
    ZipLayout layout;
    layout.entries = {{.name = "1.0.4/", .attr = UnixFolderAttr(0755)},
                      {.name = "1.0.4/empty/", .attr = UnixFolderAttr(0755)},
                      {.name = "1.0.4\\also-empty\\", .attr = 0x10, .system = 0}};
    const std::string app = temp / "App";
    ASSERT_TRUE(ZipAndExtract(layout, app));
    EXPECT_EQ(ListTree(app),
              (std::vector<std::string>{"1.0.4", "1.0.4/also-empty", "1.0.4/empty"}));
}

TEST_F(ExtractTest, TrailingSlashWithoutFolderAttributeIsAFolder) {
    ZipLayout layout;
    layout.entries = {{.name = "1.0.4/folder/", .attr = 0}, {.name = "after.txt", .data = "x"}};
    const std::string app = temp / "App";
    EXPECT_TRUE(ZipAndExtract(layout, app));
    EXPECT_TRUE(fs::is_directory(app + "/1.0.4/folder"));
    EXPECT_EQ(ReadFileBytes(app + "/after.txt"), "x");
}

TEST_F(ExtractTest, ArchiveWithoutEntriesFails) {
    const std::vector<ZipJob> jobs = {{temp / "empty.zip", {}},
                                      {temp / "commented.zip", {.comment = "no entries here"}}};
    ASSERT_TRUE(MakeZips(jobs));
    for (const ZipJob& job : jobs) {
        SCOPED_TRACE(job.path);
        CUnzipper unzipper;
        const std::string app = temp / "App";
        EXPECT_FALSE(unzipper.OpenArchive(job.path) && unzipper.SetTargetFolder(app) &&
                     unzipper.ExtractAll());
    }
}

TEST_F(ExtractTest, ExistingFileIsReplaced) {
    const std::string app = temp / "App";
    fs::create_directories(app + "/1.0.4");
    WriteFileBytes(app + "/1.0.4/main.exe", "an older and much longer main program");
    ZipLayout layout;
    layout.entries = {{.name = "1.0.4/main.exe", .data = "new"}};
    ASSERT_TRUE(ZipAndExtract(layout, app));
    EXPECT_EQ(ReadFileBytes(app + "/1.0.4/main.exe"), "new");
}

TEST_F(ExtractTest, ReadOnlyExistingFileFails) {
    const std::string app = temp / "App";
    fs::create_directories(app);
    WriteFileBytes(app + "/locked.txt", "old");
    fs::permissions(app + "/locked.txt", fs::perms::owner_read);
    ZipLayout layout;
    layout.entries = {{.name = "locked.txt", .data = "new"}};
    const std::string zipPath = temp / "package.zip";
    ASSERT_TRUE(MakeZip(layout, zipPath));
    UnprivilegedScope unprivileged(temp.Path());
    EXPECT_FALSE(Extract(zipPath, app));
    EXPECT_EQ(ReadFileBytes(app + "/locked.txt"), "old");
}

// A file where a folder is needed, a folder where a file is needed: the entry fails cleanly
// and what lay in the way is left as it was.
TEST_F(ExtractTest, FileFolderClashesFail) {
    struct Case {
        const char* fileOnDisk; // relative to the target, made before extraction
        const char* folderOnDisk;
        ZipLayoutEntry entry;
    };
    const Case cases[] = {
        {"1.0.4", "", {.name = "1.0.4/main.exe", .data = "x"}},
        {"1.0.4", "", {.name = "1.0.4/a/b.txt", .data = "x"}},
        {"1.0.4", "", {.name = "1.0.4/", .attr = 0x10}},
        {"1.0.4", "", {.name = "1.0.4/sub/", .attr = 0x10}},
        {"", "1.0.4/main.exe", {.name = "1.0.4/main.exe", .data = "x"}},
    };
    std::vector<ZipJob> jobs;
    for (const Case& c : cases)
        jobs.push_back({temp / std::to_string(jobs.size()) + ".zip", {.entries = {c.entry}}});
    ASSERT_TRUE(MakeZips(jobs));
    for (size_t i = 0; i < jobs.size(); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.entry.name);
        const std::string app = temp / ("App" + std::to_string(i));
        fs::create_directories(app);
        if (c.fileOnDisk[0] != '\0')
            WriteFileBytes(app + "/" + c.fileOnDisk, "in the way");
        if (c.folderOnDisk[0] != '\0')
            fs::create_directories(app + "/" + c.folderOnDisk);
        EXPECT_FALSE(Extract(jobs[i].path, app));
        if (c.fileOnDisk[0] != '\0') {
            EXPECT_EQ(ReadFileBytes(app + "/" + c.fileOnDisk), "in the way");
        }
        if (c.folderOnDisk[0] != '\0') {
            EXPECT_TRUE(fs::is_empty(app + "/" + c.folderOnDisk));
        }
    }
}

// Names that would land outside the target: the entry fails, later entries are not
// extracted and nothing is written outside.
TEST_F(ExtractTest, ZipSlipNamesAreRefused) {
    const std::string outside = temp / "outside";
    const std::string names[] = {
        "../evil.txt",         "../app2/evil.txt",    "a/../../evil.txt",   "a/./../../evil.txt",
        "..\\evil.txt",        "a\\..\\..\\evil.txt", "a/..\\..\\evil.txt", "..",
        outside + "/evil.txt", "\\evil.txt",          "/evil.txt",          "C:evil.txt",
        "C:\\evil.txt",        "c:/evil.txt"};
    fs::create_directories(temp / "zips");
    std::vector<ZipJob> jobs;
    for (const std::string& name : names) {
        for (const bool isFolder : {false, true}) {
            ZipLayout layout;
            layout.entries = {{.name = "first.txt", .data = "inside"},
                              {.name = isFolder ? name + "/" : name,
                               .data = "escaped",
                               .attr = isFolder ? 0x10u : 0u},
                              {.name = "last.txt", .data = "inside"}};
            jobs.push_back({temp / "zips/" + std::to_string(jobs.size()) + ".zip", layout});
        }
    }
    ASSERT_TRUE(MakeZips(jobs));
    for (size_t i = 0; i < jobs.size(); ++i) {
        SCOPED_TRACE(jobs[i].layout.entries[1].name);
        const std::string base = temp / ("base/" + std::to_string(i));
        EXPECT_FALSE(Extract(jobs[i].path, base + "/app"));
        EXPECT_EQ(ListTree(base), (std::vector<std::string>{"app", "app/first.txt"}));
    }
    EXPECT_EQ(ListTree(temp.Path()).size(), 1 + jobs.size() + 1 + 3 * jobs.size());
    EXPECT_FALSE(fs::exists(outside));
}

TEST_F(ExtractTest, ZeroByteInNameIsRefused) {
    ZipLayout layout;
    layout.entries = {{.name = "a#../../evil.txt", .data = "x"}};
    layout.patches = {{0, "zero_name_byte"}};
    const std::string target = temp / "app";
    EXPECT_FALSE(ZipAndExtract(layout, target));
    EXPECT_TRUE(fs::is_empty(target));
}

// Data that cannot be trusted fails its entry, and no later entry is extracted.
TEST_F(ExtractTest, DamagedEntryFailsExtraction) {
    struct Case {
        const char* method;
        const char* patch;
    };
    const Case cases[] = {{"deflated", "deflate"}, {"stored", "data_byte"},
                          {"stored", "crc"},       {"deflated", "crc"},
                          {"stored", "encrypted"}, {"deflated", "encrypted"}};
    std::vector<ZipJob> jobs;
    for (const Case& c : cases) {
        ZipLayout layout;
        layout.entries = {{.name = "first.txt", .data = "first entry"},
                          {.name = "damaged.bin", .method = c.method, .randomBytes = 20000},
                          {.name = "last.txt", .data = "last entry"}};
        layout.patches = {{1, c.patch}};
        jobs.push_back({temp / std::to_string(jobs.size()) + ".zip", layout});
    }
    ASSERT_TRUE(MakeZips(jobs));
    for (size_t i = 0; i < jobs.size(); ++i) {
        SCOPED_TRACE(std::string(cases[i].method) + " " + cases[i].patch);
        const std::string app = temp / ("App" + std::to_string(i));
        EXPECT_FALSE(Extract(jobs[i].path, app));
        EXPECT_EQ(ReadFileBytes(app + "/first.txt"), "first entry");
        EXPECT_TRUE(fs::is_regular_file(app + "/damaged.bin")); // nothing is rolled back
        EXPECT_FALSE(fs::exists(app + "/last.txt"));
    }
}

// Sizes on both sides of the read buffer's and the output piece's ends, stored and deflated:
// every byte arrives, in order.
TEST_F(ExtractTest, DataArrivesWholeAroundBufferEnds) {
    const size_t sizes[] = {1, 2047, 2049, 65535, 65536, 65537, 3 * 65536 + 5};
    std::mt19937 random(7);
    ZipLayout layout;
    for (const char* method : {"stored", "deflated"}) {
        for (const size_t size : sizes) {
            std::string text(size, '\0');
            for (char& c : text)
                c = static_cast<char>('a' + random() % 26);
            layout.entries.push_back(
                {.name = method + std::to_string(size), .data = text, .method = method});
        }
    }
    const std::string app = temp / "App";
    ASSERT_TRUE(ZipAndExtract(layout, app));
    for (const ZipLayoutEntry& entry : layout.entries)
        EXPECT_EQ(ReadFileBytes(app + "/" + entry.name), entry.data) << entry.name;
}

// An entry whose last bytes, past an output piece, come from what the inflater holds once every
// compressed byte has been read (found among texts deflated with fixed codes).
TEST_F(ExtractTest, TailHeldByTheInflaterArrives) {
    std::mt19937 random(6);
    std::string words;
    while (words.size() < kOutputPieceSize + 100) {
        for (size_t letters = 2 + random() % 8; letters > 0; --letters)
            words += static_cast<char>('a' + random() % 10);
        words += ' ';
    }
    for (size_t extra = 1; extra <= 10; ++extra) {
        const std::string text = words.substr(0, kOutputPieceSize + extra);
        const std::string deflated = DeflateWithFixedCodes(text);
        if (!TailIsHeldByTheInflater(deflated))
            continue;
        const std::string zipPath = temp / "held.zip";
        ASSERT_TRUE(WriteDeflatedEntry(zipPath, "held.txt", text, deflated));
        ASSERT_TRUE(Extract(zipPath, temp / "App"));
        EXPECT_EQ(ReadFileBytes(temp / "App/held.txt"), text);
        return;
    }
    FAIL() << "no text of this kind was found";
}

// A method that is not inflated here fails, even where its compressed bytes (random data,
// which bzip2 makes longer) would fill the declared size.
TEST_F(ExtractTest, UnknownCompressionMethodFails) {
    ZipLayout layout;
    layout.entries = {{.name = "packed.bin", .method = "bzip2", .randomBytes = 1000}};
    const std::string app = temp / "App";
    EXPECT_FALSE(ZipAndExtract(layout, app));
    EXPECT_LT(fs::file_size(app + "/packed.bin"), 1000u);
}

TEST_F(ExtractTest, BrokenDirectoryAfterFirstEntryFails) {
    ZipLayout layout;
    layout.entries = {{.name = "first.txt", .data = "first"},
                      {.name = "second.txt", .data = "second"}};
    layout.patches = {{1, "central_signature"}};
    const std::string app = temp / "App";
    EXPECT_FALSE(ZipAndExtract(layout, app));
    EXPECT_EQ(ReadFileBytes(app + "/first.txt"), "first");
    EXPECT_FALSE(fs::exists(app + "/second.txt"));
}

} // namespace
