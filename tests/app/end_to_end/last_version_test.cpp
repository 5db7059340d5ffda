#include "e2e_support.h"

#include <signal.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Strings = std::vector<std::string>;

struct LastVersionCase {
    std::string element; // the LastVersion element as written, or nothing
    bool removed;        // the old folder 0.9.0 goes and LastVersion is emptied
};

const std::vector<LastVersionCase> kCases = {
    {"<LastVersion>0.9.0</LastVersion>", true},
    {"", false},
    {"<LastVersion></LastVersion>", false},
    {"<LastVersion/>", false},
    {"<LastVersion>1.0.0</LastVersion>", false},
    {"<LastVersion>.</LastVersion>", false},
    {"<LastVersion>..</LastVersion>", false},
    {"<LastVersion>../victim</LastVersion>", false},
    {"<LastVersion>0.9.0/data</LastVersion>", false},
    {"<LastVersion>0.9.0\\data</LastVersion>", false},
    {"<LastVersion>/tmp</LastVersion>", false},
    {"<LastVersion>0.9.0&#10;</LastVersion>", false},
};

class LastVersion : public EndToEndTest {};

TEST_F(LastVersion, RemovedOnlyWhenItNamesAnotherFolderBesideTheUpdater) {
    // The server offers the installed version: nothing is downloaded in any case.
    WriteRecord("<r><Version>1.0.0</Version></r>");
    AddMainProgram("1.0.0");
    StartServer();
    const std::string victim = Inst() + "../victim/";
    for (const LastVersionCase& c : kCases) {
        SCOPED_TRACE(c.element);
        AddMainProgram("0.9.0");
        WriteFileBytes(Inst() + "0.9.0/data/keep", "old");
        WriteFileBytes(victim + "keep", "outside");
        const std::string config =
            "<Config><Version>1.0.0</Version><Exe>main</Exe>" + c.element + "</Config>";
        WriteConfig(config);

        ASSERT_TRUE(RunUpdater().finished);
        if (c.removed) {
            EXPECT_FALSE(fs::exists(Inst() + "0.9.0"));
            EXPECT_EQ(ReadConfig(), "<Config><Version>1.0.0</Version><Exe>main</Exe>"
                                    "<LastVersion></LastVersion></Config>");
        } else {
            EXPECT_EQ(ReadFileBytes(Inst() + "0.9.0/data/keep"), "old");
            EXPECT_EQ(ReadConfig(), config);
        }
        EXPECT_EQ(ReadFileBytes(victim + "keep"), "outside");
        EXPECT_TRUE(fs::exists(Inst() + "1.0.0/main"));
        EXPECT_TRUE(fs::exists(Inst() + "updater"));
    }
    EXPECT_EQ(ServerLog(), Strings(kCases.size(), "GET /record.xml"));
}

TEST_F(LastVersion, AFolderAlreadyGoneIsClearedAndNotTriedAgain) {
    WriteRecord("<r><Version>1.0.0</Version></r>");
    AddMainProgram("1.0.0");
    WriteConfig(ConfigText("1.0.0", "main", "0.9.0"));
    StartServer();
    ASSERT_TRUE(RunUpdater().finished);
    EXPECT_EQ(ReadConfig(), ConfigText("1.0.0", "main", ""));
}

// A file or link that LastVersion names is no old version: it stays, and so does LastVersion.
TEST_F(LastVersion, NeverRemovesAnythingButAFolder) {
    WriteRecord("<r><Version>1.0.0</Version></r>");
    AddMainProgram("1.0.0");
    AddMainProgram("0.9.0");
    fs::create_symlink("0.9.0", Inst() + "link");
    fs::create_symlink("missing", Inst() + "dangling");
    StartServer();
    for (const std::string name : {"updater", "config.xml", "link", "dangling"}) {
        SCOPED_TRACE(name);
        WriteConfig(ConfigText("1.0.0", "main", name));
        ASSERT_TRUE(RunUpdater().finished);
        EXPECT_EQ(ReadConfig(), ConfigText("1.0.0", "main", name));
        EXPECT_EQ(Listing(Inst()), (Strings{"0.9.0/", "1.0.0/", "config.xml", "dangling", "link/",
                                            "updater"}));
        EXPECT_TRUE(fs::exists(Inst() + "0.9.0/main"));
    }
}

} // namespace

namespace {

// Kills a process at the end of the scope.
struct Killer {
    pid_t pid = -1;
    ~Killer() {
        if (pid > 0)
            kill(pid, SIGKILL);
    }
};

// A file's bytes once it ends with a line end, after waiting a bounded time for that.
std::string WaitForLineIn(const std::string& path) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!ReadFileBytes(path).ends_with('\n') && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return ReadFileBytes(path);
}

// Whether the process still has a file of that path open as descriptor 3, after waiting a
// bounded time for it to come to want.
bool HoldsOpen(pid_t pid, const std::string& path, bool want) {
    const std::string link = "/proc/" + std::to_string(pid) + "/fd/3";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    std::error_code error;
    while ((fs::read_symlink(link, error).string() == path) != want &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return fs::read_symlink(link, error).string() == path;
}

// The main program the first start launched still runs from the version that start replaced:
// the second start leaves that folder alone; the start after the program ended removes it.
TEST_F(LastVersion, StaysWhileAProgramStillUsesIt) {
    const std::string pidFile = Root() + "main.pid";
    const std::string data = Inst() + "1.0.0/data";
    WriteFileBytes(data, "in use");
    WriteFileBytes(Inst() + "1.0.0/main",
                   "#!/bin/sh\necho $$ > '" + pidFile + "'\nexec sleep 30 3< \"${0%/*}/data\"\n",
                   0755);
    WriteConfig(ConfigText("1.0.0", "main", ""));
    Publish("1.0.1");
    StartServer();
    ASSERT_TRUE(RunUpdater().finished);
    ASSERT_EQ(ReadConfig(), ConfigText("1.0.1", "main", "1.0.0"));
    const std::string pid = WaitForLineIn(pidFile);
    ASSERT_FALSE(pid.empty());
    const Killer program{std::stoi(pid)};
    ASSERT_TRUE(HoldsOpen(program.pid, data, true));
    const auto oldVersion = Snapshot(Inst() + "1.0.0");

    ASSERT_TRUE(RunUpdater().finished);
    EXPECT_EQ(ReadConfig(), ConfigText("1.0.1", "main", "1.0.0"));
    EXPECT_EQ(Snapshot(Inst() + "1.0.0"), oldVersion);

    kill(program.pid, SIGKILL);
    ASSERT_FALSE(HoldsOpen(program.pid, data, false));
    ASSERT_TRUE(RunUpdater().finished);
    EXPECT_EQ(ReadConfig(), ConfigText("1.0.1", "main", ""));
    EXPECT_EQ(Listing(Inst()), (Strings{"1.0.1/", "config.xml", "updater"}));
}

} // namespace
