#include "platform/own_path.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>
#include <vector>

namespace {

struct SplitCase {
    std::string path;
    std::string folder;
    std::string fileName;
};

const std::vector<SplitCase> kSplitCases = {
    {"/opt/app/updater", "/opt/app/", "updater"},
    {"/updater", "/", "updater"},
    {"/opt/app/", "/opt/app/", ""},
    {"/opt//app//updater", "/opt//app//", "updater"},
    {"/opt/app/updater (deleted)", "/opt/app/", "updater (deleted)"},
    {"/opt/my app.d/up.bin", "/opt/my app.d/", "up.bin"},
    {"updater", "", "updater"},
    {"", "", ""},
};

TEST(OwnPath, SplitsAfterTheLastSlash) {
    for (const SplitCase& c : kSplitCases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(FolderOfPath(c.path), c.folder);
        EXPECT_EQ(FileNameOfPath(c.path), c.fileName);
    }
}

TEST(OwnPath, NamesThisExecutable) {
    const std::string path = OwnExecutablePath();
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(path.front(), '/');
    EXPECT_EQ(FileNameOfPath(path), "platform_tests");
    const std::string folder = FolderOfPath(path);
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '/');
    struct stat viaFolder {};
    struct stat running {};
    ASSERT_EQ(stat((folder + "platform_tests").c_str(), &viaFolder), 0);
    ASSERT_EQ(stat("/proc/self/exe", &running), 0);
    EXPECT_EQ(viaFolder.st_ino, running.st_ino);
    EXPECT_EQ(viaFolder.st_dev, running.st_dev);
}

} // namespace
