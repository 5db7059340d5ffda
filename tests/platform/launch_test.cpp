#include "platform/launch.h"

#include "temp_folder.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

// A program that waits for a "go" file (for at most five seconds) and then records its
// arguments, current folder and one environment variable.
std::string RecorderScript(const std::string& folder) {
    return "#!/bin/sh\n"
           "i=0\n"
           "while [ ! -e '" +
           folder +
           "go' ] && [ $i -lt 50 ]; do sleep 0.1; i=$((i+1)); done\n"
           "[ -e '" +
           folder +
           "go' ] && state=go || state=timeout\n"
           "printf '%s|%s|%s|%s|%s\\n' \"$state\" \"$0\" \"$#\" \"$PWD\" \"$LAUNCH_TEST_VALUE\" "
           "> '" +
           folder +
           "marker.tmp'\n"
           "mv '" +
           folder + "marker.tmp' '" + folder + "marker'\n";
}

TEST(LaunchProgram, StartsWithoutWaitingWithPathEnvironmentAndFolder) {
    TempFolder temp;
    const std::string program = temp.Path() + "sub dir/main program";
    std::filesystem::create_directories(temp.Path() + "sub dir");
    ASSERT_TRUE(WriteTestFile(program, RecorderScript(temp.Path()), 0755));
    ASSERT_EQ(setenv("LAUNCH_TEST_VALUE", "inherited value", 1), 0);

    EXPECT_TRUE(LaunchProgram(program));
    unsetenv("LAUNCH_TEST_VALUE");
    // The program is still waiting for this file, so the launch did not wait for it.
    ASSERT_TRUE(WriteTestFile(temp.Path() + "go", ""));

    ASSERT_TRUE(WaitForLine(temp.Path() + "marker"));
    const std::string cwd = std::filesystem::current_path().string();
    EXPECT_EQ(ReadTestFile(temp.Path() + "marker"),
              "go|" + program + "|0|" + cwd + "|inherited value\n");
}

TEST(LaunchProgram, ReportsAProgramThatCannotStart) {
    TempFolder temp;
    EXPECT_FALSE(LaunchProgram(temp.Path() + "missing"));
    EXPECT_FALSE(LaunchProgram(temp.Path()));
    ASSERT_TRUE(WriteTestFile(temp.Path() + "plain", "#!/bin/sh\n", 0644));
    EXPECT_FALSE(LaunchProgram(temp.Path() + "plain"));
    EXPECT_FALSE(LaunchProgram(""));
}

} // namespace
