#include "unzip/unzipper.h"
#include "zip_test_support.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

bool Extract(const std::string& zipPath, const std::string& target) {
    CUnzipper unzipper;
    return unzipper.OpenArchive(zipPath) && unzipper.SetTargetFolder(target) &&
           unzipper.ExtractAll();
}

unsigned ModeOf(const std::string& path) {
    struct stat status {};
    EXPECT_EQ(lstat(path.c_str(), &status), 0) << path;
    return status.st_mode & 07777;
}

// Archives made by Info-ZIP zip from a tree come out as Info-ZIP unzip makes them (and as the
// tree was): the same paths, kinds, bytes, link targets, file times and modes.
TEST(ToolArchiveTest, SameTreeAsInfoZipUnzip) {
    TempFolder temp;
    UmaskScope umask(022);
    const char* optionSets[] = {"", "-D", "-0", "-D -0", "-fz"};
    for (size_t i = 0; i < std::size(optionSets); ++i) {
        SCOPED_TRACE(std::string("zip ") + optionSets[i]);
        const std::string n = std::to_string(i);
        const std::string zipPath = temp / ("package" + n + ".zip");
        ASSERT_TRUE(MakeTreeZip(temp / ("tree" + n), zipPath, optionSets[i]));
        const std::string ours = temp / ("ours" + n);
        const std::string theirs = temp / ("theirs" + n);
        ASSERT_TRUE(Extract(zipPath, ours));
        ASSERT_TRUE(RunCommand("unzip -q " + Quoted(zipPath) + " -d " + Quoted(theirs)));
        const auto tree = ReadTree(ours);
        EXPECT_EQ(tree, ReadTree(theirs));
        auto source = ReadTree(temp / ("tree" + n));
        if (std::string(optionSets[i]).find("-D") != std::string::npos)
            source.erase("1.0.4/empty"); // an empty folder needs its folder entry
        EXPECT_EQ(tree, source);

        // A second extraction over the first replaces files and links alike.
        ASSERT_TRUE(Extract(zipPath, ours));
        EXPECT_EQ(ReadTree(ours), tree);
    }
    const std::string version = temp / "ours0/1.0.4";
    EXPECT_EQ(ModeOf(version + "/bin/start.sh"), 0755u);
    EXPECT_EQ(ModeOf(version + "/readonly.txt"), 0444u);
    EXPECT_EQ(fs::read_symlink(version + "/bin/text-link"), "../data/text.txt");
    EXPECT_TRUE(RunCommand(Quoted(version + "/bin/start.sh") + " >/dev/null"));
}

TEST(ToolArchiveTest, PermissionsFromUnixAttributes) {
    struct Case {
        ZipLayoutEntry entry;
        unsigned expectedMode;
    };
    const Case cases[] = {
        {{.name = "exec.sh", .attr = UnixFileAttr(0755)}, 0755},
        {{.name = "setuid", .attr = UnixFileAttr(04755)}, 0755},
        {{.name = "setgid-sticky", .attr = UnixFileAttr(03775)}, 0755},
        {{.name = "world-writable", .attr = UnixFileAttr(0777)}, 0755},
        {{.name = "private", .attr = UnixFileAttr(0600)}, 0600},
        {{.name = "readonly", .attr = UnixFileAttr(0444)}, 0444},
        {{.name = "group-writable", .attr = UnixFileAttr(0664)}, 0644},
        {{.name = "dos.exe", .attr = UnixFileAttr(0755), .system = 0}, 0644},
        {{.name = "dos-readonly.txt", .attr = 0x01, .system = 0}, 0644},
        {{.name = "no-mode.txt", .attr = 0x20, .system = 3}, 0644},
        {{.name = "folder500/", .attr = UnixFolderAttr(0500)}, 0700},
        {{.name = "folder2750/", .attr = UnixFolderAttr(02750)}, 0750},
        {{.name = "folder777/", .attr = UnixFolderAttr(0777)}, 0755},
        {{.name = "dos-folder/", .attr = 0x10, .system = 0}, 0755},
        // Folders known by their Unix mode alone, or by their name alone.
        {{.name = "mode-folder", .attr = (040000u | 0750u) << 16}, 0750},
        {{.name = "slash-folder/", .attr = 0, .system = 0}, 0755},
    };
    TempFolder temp;
    UmaskScope umask(022);
    ZipLayout layout;
    for (const Case& c : cases)
        layout.entries.push_back(c.entry);
    const std::string zipPath = temp / "package.zip";
    ASSERT_TRUE(MakeZip(layout, zipPath));
    const std::string target = temp / "app";
    ASSERT_TRUE(Extract(zipPath, target));
    for (const Case& c : cases) {
        std::string path = target + "/" + c.entry.name;
        if (path.back() == '/')
            path.pop_back();
        EXPECT_EQ(ModeOf(path), c.expectedMode) << c.entry.name;
    }
    EXPECT_TRUE(fs::is_directory(target + "/mode-folder"));
    EXPECT_TRUE(fs::is_directory(target + "/slash-folder"));
}

// A link entry becomes a link only when it points inside the target folder.
TEST(ToolArchiveTest, LinkEntriesStayInside) {
    struct Case {
        const char* name;
        const char* target;
        bool created;
    };
    const Case cases[] = {
        {"1.0.4/bin/link", "../data/text.txt", true},
        {"1.0.4/link", "data/text.txt", true},
        {"1.0.4/link", "..", true},
        {"link", "not-yet-there", true},
        {"1.0.4/link", "../..", false},
        {"1.0.4/link", "../../outside", false},
        {"link", "/etc/passwd", false},
        {"1.0.4/link", "data/../../..", false},
        {"1.0.4/link", "data/..", false},
        {"1.0.4/link", "./data", false},
        {"1.0.4/link", "data//text.txt", false},
        {"1.0.4/link", "..\\..\\outside", false},
        {"1.0.4/link", "", false},
    };
    TempFolder temp;
    std::vector<ZipJob> jobs;
    for (const Case& c : cases) {
        ZipLayout layout;
        layout.entries = {{.name = c.name, .data = c.target, .attr = UnixLinkAttr()},
                        {.name = "after.txt", .data = "after"}};
        jobs.push_back({temp / std::to_string(jobs.size()) + ".zip", layout});
    }
    ASSERT_TRUE(MakeZips(jobs));
    for (size_t i = 0; i < jobs.size(); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(std::string(c.name) + " -> " + c.target);
        const std::string target = temp / ("app" + std::to_string(i));
        const std::string link = target + "/" + c.name;
        EXPECT_EQ(Extract(jobs[i].path, target), c.created);
        EXPECT_EQ(fs::is_symlink(link), c.created);
        EXPECT_EQ(fs::exists(target + "/after.txt"), c.created);
        if (c.created) {
            EXPECT_EQ(fs::read_symlink(link), c.target);
        }
    }
}

TEST(ToolArchiveTest, LinkEntryFromOtherSystemIsAFile) {
    TempFolder temp;
    ZipLayout layout;
    layout.entries = {{.name = "link", .data = "/etc/passwd", .attr = UnixLinkAttr(), .system = 0}};
    const std::string zipPath = temp / "package.zip";
    ASSERT_TRUE(MakeZip(layout, zipPath));
    ASSERT_TRUE(Extract(zipPath, temp / "app"));
    EXPECT_FALSE(fs::is_symlink(temp / "app/link"));
    EXPECT_EQ(ReadFileBytes(temp / "app/link"), "/etc/passwd");
}

// Nothing is written through a link, not even one that points inside.
TEST(ToolArchiveTest, NothingIsWrittenThroughLinks) {
    const std::vector<std::vector<ZipLayoutEntry>> archives = {
        {{.name = "sub/", .attr = 0x10},
         {.name = "l", .data = "sub", .attr = UnixLinkAttr()},
         {.name = "l/evil.txt", .data = "through"}},
        {{.name = "sub/", .attr = 0x10},
         {.name = "l", .data = "sub", .attr = UnixLinkAttr()},
         {.name = "l/deeper/", .attr = 0x10}},
        {{.name = "sub/", .attr = 0x10},
         {.name = "a/up", .data = "..", .attr = UnixLinkAttr()},
         {.name = "a/up/sub/evil.txt", .data = "through"}},
        {{.name = "sub/", .attr = 0x10},
         {.name = "sub/file.txt", .data = "kept"},
         {.name = "l", .data = "sub/file.txt", .attr = UnixLinkAttr()},
         {.name = "l", .data = "overwritten"}},
    };
    TempFolder temp;
    std::vector<ZipJob> jobs;
    for (const auto& entries : archives)
        jobs.push_back({temp / std::to_string(jobs.size()) + ".zip", {.entries = entries}});
    ASSERT_TRUE(MakeZips(jobs));
    for (size_t i = 0; i < jobs.size(); ++i) {
        SCOPED_TRACE(jobs[i].layout.entries.back().name);
        const std::string target = temp / ("app" + std::to_string(i));
        EXPECT_FALSE(Extract(jobs[i].path, target));
        for (const auto& entry : fs::recursive_directory_iterator(target + "/sub")) {
            EXPECT_EQ(entry.path().filename(), "file.txt");
            EXPECT_EQ(ReadFileBytes(entry.path()), "kept");
        }
    }
}

// Entries whose local headers hold their sizes in zip64 form, as Python's zipfile writes them.
TEST(ToolArchiveTest, Zip64FormFromPython) {
    const std::vector<ZipLayoutEntry> entries = {
        {.name = "1.0.4/stored.bin", .method = "stored", .randomBytes = 70000, .zip64 = true},
        {.name = "1.0.4/text.txt", .data = std::string(50000, 't'), .zip64 = true},
        {.name = "1.0.4/plain.txt", .data = "plain"}};
    TempFolder temp;
    const std::string zipPath = temp / "zip64.zip";
    ASSERT_TRUE(MakeZip({.entries = entries}, zipPath));
    ASSERT_TRUE(Extract(zipPath, temp / "ours"));
    ASSERT_TRUE(RunCommand("unzip -q " + Quoted(zipPath) + " -d " + Quoted(temp / "theirs")));
    EXPECT_EQ(ReadTree(temp / "ours"), ReadTree(temp / "theirs"));
    EXPECT_EQ(ReadFileBytes(temp / "ours/1.0.4/text.txt"), entries[1].data);
}

TEST(ToolArchiveTest, SeventyThousandEntries) {
    TempFolder temp;
    const std::string zipPath = temp / "many.zip";
    ASSERT_TRUE(MakeZip({.manyCount = 70000}, zipPath));
    const std::string target = temp / "app";
    ASSERT_TRUE(Extract(zipPath, target));
    size_t files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(target))
        files += entry.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, 70000u);
    EXPECT_EQ(ReadFileBytes(target + "/d0/f0.txt"), "file 0\n");
    EXPECT_EQ(ReadFileBytes(target + "/d65/f65535.txt"), "file 65535\n");
    EXPECT_EQ(ReadFileBytes(target + "/d69/f69999.txt"), "file 69999\n");
}

} // namespace
