#include "platform/remove_tree.h"

#include "temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

TEST(RemoveTree, RemovesAFolderWithEverythingInIt) {
    TempFolder temp;
    const std::string tree = temp.Path() + "1.0.0";
    fs::create_directories(tree + "/lib/deep/er");
    ASSERT_TRUE(WriteTestFile(tree + "/main", "#!/bin/sh\n", 0755));
    ASSERT_TRUE(WriteTestFile(tree + "/lib/deep/er/data.bin", std::string(5000, 'x'), 0400));
    ASSERT_TRUE(WriteTestFile(temp.Path() + "1.0.1", "sibling"));

    EXPECT_TRUE(RemoveTree(tree));
    EXPECT_FALSE(fs::exists(tree));
    EXPECT_EQ(ReadTestFile(temp.Path() + "1.0.1"), "sibling");
}

TEST(RemoveTree, DoesNotFollowSymbolicLinks) {
    TempFolder temp;
    const std::string outside = temp.Path() + "outside";
    fs::create_directories(outside);
    ASSERT_TRUE(WriteTestFile(outside + "/keep", "kept"));
    const std::string tree = temp.Path() + "old";
    fs::create_directories(tree);
    fs::create_directory_symlink(outside, tree + "/link");
    fs::create_symlink(outside + "/keep", tree + "/file-link");

    EXPECT_TRUE(RemoveTree(tree));
    EXPECT_FALSE(fs::exists(tree));
    EXPECT_EQ(ReadTestFile(outside + "/keep"), "kept");

    // A link given itself goes, its target stays.
    fs::create_directory_symlink(outside, temp.Path() + "top-link");
    EXPECT_TRUE(RemoveTree(temp.Path() + "top-link"));
    EXPECT_FALSE(fs::is_symlink(temp.Path() + "top-link"));
    EXPECT_EQ(ReadTestFile(outside + "/keep"), "kept");
}

TEST(RemoveTree, AFolderAlreadyGoneCountsAsRemoved) {
    TempFolder temp;
    EXPECT_TRUE(RemoveTree(temp.Path() + "never-there"));
    EXPECT_TRUE(RemoveTree(temp.Path() + "never/there/either"));
}

TEST(RemoveTree, ReportsAPathThatCannotBeRemoved) {
    TempFolder temp;
    EXPECT_FALSE(RemoveTree(temp.Path() + std::string(300, 'n')));
}

} // namespace
