#include "platform/file_system.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <climits>
#include <string>

namespace {

TEST(FileSystemTest, FullPathNameResolvesTextually) {
    char current[PATH_MAX];
    ASSERT_NE(getcwd(current, sizeof current), nullptr);
    const std::string cwd = current;
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {"/", "/"},
        {"/a/b/c.zip", "/a/b/c.zip"},
        {"/a/./b/../c.zip", "/a/c.zip"},
        {"//a///b//", "/a/b/"},
        {"/..", "/"},
        {"/a/../../b", "/b"},
        {"/does/not/exist/..", "/does/not"},
        {"pkg.zip", cwd + "/pkg.zip"},
        {"./x/../pkg.zip", cwd + "/pkg.zip"},
        {"/" + std::string(5000, 'n'), "/" + std::string(5000, 'n')},
    };
    for (const auto& [path, full] : cases)
        EXPECT_EQ(FullPathName(path), full) << path.substr(0, 40);
}

} // namespace
