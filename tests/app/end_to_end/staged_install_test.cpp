#include "e2e_support.h"

#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Strings = std::vector<std::string>;

class StagedInstall : public EndToEndTest {
  protected:
    void SetUp() override {
        EndToEndTest::SetUp();
        WriteConfig(ConfigText("1.0.0", "main", ""));
        AddMainProgram("1.0.0");
    }
    static unsigned ModeOf(const std::string& path) {
        struct stat status {};
        return stat(path.c_str(), &status) == 0 ? status.st_mode & 07777 : 0;
    }
};

// No other user may replace what is installed, and a folder known only by its Unix mode is
// made as a folder.
TEST_F(StagedInstall, ModesWithoutGroupOrOtherWriteAndFoldersByMode) {
    WriteRecord("<r><Version>1.0.1</Version></r>");
    const std::string source = PackageSource("1.0.1", "main");
    fs::permissions(source + "main", fs::perms(0777));
    fs::permissions(source + "data", fs::perms(0777));
    MakePackage("1.0.1.zip", {"1.0.1", source, "--folder-by-mode", "cache"});
    StartServer();
    ASSERT_TRUE(RunUpdater().finished);
    EXPECT_EQ(ReadConfig(), ConfigText("1.0.1", "main", "1.0.0"));
    EXPECT_EQ(ModeOf(Inst() + "1.0.1/main"), 0755u);
    EXPECT_EQ(ModeOf(Inst() + "1.0.1/data/readme.txt"), 0644u);
    EXPECT_TRUE(fs::is_directory(Inst() + "1.0.1/cache"));
    EXPECT_EQ(ModeOf(Inst() + "1.0.1/cache"), 0755u);
}

// A start that read config.xml before another instance committed reads it again once it holds
// the lock: it sees the new version and neither downloads nor replaces it.
TEST_F(StagedInstall, ConfigReadAgainUnderTheLock) {
    Publish("1.0.1");
    StartServer();
    // The second start waits on entry to the lock's call until the first has finished.
    const StartedUpdater late =
        StartProgram("late", {"strace", "-qq", "-o", "/dev/null", "-e", "trace=flock", "-e",
                              "inject=flock:delay_enter=3000000", Inst() + "updater"});
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    ASSERT_TRUE(RunUpdater().finished);
    EXPECT_EQ(ReadConfig(), ConfigText("1.0.1", "main", "1.0.0"));
    const auto installed = Snapshot(Inst() + "1.0.1");
    ASSERT_TRUE(WaitForUpdater(late).finished);
    EXPECT_EQ(Snapshot(Inst() + "1.0.1"), installed);
    EXPECT_EQ(ServerLog(), (Strings{"GET /record.xml", "GET /1.0.1.zip", "GET /record.xml"}));
    EXPECT_EQ(ReadConfig(), ConfigText("1.0.1", "main", ""));
}

// A user who cannot write the installation never downloads into it, and updatecheck says why.
TEST_F(StagedInstall, FolderThisUserCannotWrite) {
    Publish("1.0.1");
    StartServer();
    fs::permissions(Root(), fs::perms(0755));
    const Strings asNobody = {"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"};
    Strings updater = asNobody;
    updater.push_back(Inst() + "updater");
    ASSERT_TRUE(RunProgram(updater).finished);
    EXPECT_EQ(ReadConfig(), ConfigText("1.0.0", "main", ""));
    for (const std::string& request : ServerLog())
        EXPECT_NE(request, "GET /1.0.1.zip");
    EXPECT_EQ(Listing(Inst()), (Strings{"1.0.0/", "config.xml", "updater"}));

    Strings check = asNobody;
    check.insert(check.end(), {E2E_UPDATECHECK, Inst()});
    const UpdaterRun run = RunProgram(check);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.status, 8) << run.standardOutput;
    EXPECT_NE(run.standardOutput.find("cannot be written by this user"), std::string::npos)
        << run.standardOutput;
}

} // namespace
