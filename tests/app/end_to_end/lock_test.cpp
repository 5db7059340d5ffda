#include "e2e_support.h"

#include "platform/installation_lock.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Strings = std::vector<std::string>;

// The record is answered late, so that runs started together overlap while they hold the lock.
const Strings kSlowRecord = {"--delay", "record.xml=800"};

const Strings kAsNobody = {"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"};

Strings Sorted(Strings lines) {
    std::sort(lines.begin(), lines.end());
    return lines;
}

class InstallationLockRun : public EndToEndTest {
  protected:
    std::string LockFile() const { return Inst() + kInstallationLockName; }
};

TEST_F(InstallationLockRun, OfTwoStartsTogetherExactlyOneUpdates) {
    WriteConfig(ConfigText("1.0.0", "main", ""));
    AddMainProgram("1.0.0");
    Publish("1.0.1");
    StartServer(kSlowRecord);
    const StartedUpdater first = StartUpdater("first");
    const StartedUpdater second = StartUpdater("second");
    for (const StartedUpdater& started : {first, second}) {
        const UpdaterRun run = WaitForUpdater(started);
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.status, 0);
    }
    EXPECT_EQ(ServerLog(), (Strings{"GET /record.xml", "GET /1.0.1.zip"}));
    EXPECT_EQ(ReadConfig(), ConfigText("1.0.1", "main", "1.0.0"));
    EXPECT_EQ(Listing(Inst()), (Strings{"1.0.0/", "1.0.1/", "config.xml", "updater"}));
    const std::string start = StartLine("1.0.0", Inst() + "1.0.0/main");
    EXPECT_EQ(WaitForStarts(), (Strings{start, start}));
}

TEST_F(InstallationLockRun, TwoInstallationsUpdateAtTheSameTime) {
    const std::string other = Root() + "other/";
    fs::create_directories(other + "1.0.0");
    fs::copy_file(Inst() + "updater", other + "updater");
    WriteFileBytes(other + "1.0.0/main", "#!/bin/sh\n", 0755);
    WriteFileBytes(other + "config.xml", ConfigText("1.0.0", "main", ""));
    WriteConfig(ConfigText("1.0.0", "main", ""));
    AddMainProgram("1.0.0");
    Publish("1.0.1");
    StartServer(kSlowRecord);
    const StartedUpdater first = StartUpdater("first");
    const StartedUpdater second = StartProgram("second", {other + "updater"});
    for (const StartedUpdater& started : {first, second})
        ASSERT_TRUE(WaitForUpdater(started).finished);
    const Strings log = ServerLog();
    // Both asked for the record before either could have had its answer.
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(Strings(log.begin(), log.begin() + 2), Strings(2, "GET /record.xml"));
    EXPECT_EQ(Sorted(log),
              (Strings{"GET /1.0.1.zip", "GET /1.0.1.zip", "GET /record.xml", "GET /record.xml"}));
    EXPECT_EQ(ReadConfig(), ConfigText("1.0.1", "main", "1.0.0"));
    EXPECT_EQ(ReadFileBytes(other + "config.xml"), ConfigText("1.0.1", "main", "1.0.0"));
    EXPECT_TRUE(fs::exists(other + "1.0.1/main"));
}

// Another user can reach the installation but may not write it: the lock file is not theirs to
// make, nor, once a killed run left it, to open.
TEST_F(InstallationLockRun, AnotherUserCanNeitherStopNorJoinTheUpdate) {
    const std::string config = ConfigText("1.0.0", "main", "");
    WriteConfig(config);
    AddMainProgram("1.0.0");
    Publish("1.0.1");
    StartServer();
    fs::permissions(Root(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                fs::perms::others_read | fs::perms::others_exec);
    Strings tryToHold = kAsNobody;
    tryToHold.insert(tryToHold.end(), {"flock", "--nonblock", LockFile(), "sleep", "5"});
    Strings theirUpdater = kAsNobody;
    theirUpdater.push_back(Inst() + "updater");
    for (const bool leftByAKilledRun : {false, true}) {
        SCOPED_TRACE(leftByAKilledRun ? "lock file left" : "no lock file");
        if (leftByAKilledRun) {
            const pid_t killed = fork();
            if (killed == 0) {
                CInstallationLock lock;
                _exit(lock.Create(Inst()) ? 0 : 1); // ends without giving the lock up
            }
            int status = -1;
            ASSERT_EQ(waitpid(killed, &status, 0), killed);
            ASSERT_EQ(status, 0);
        }
        ASSERT_EQ(fs::exists(LockFile()), leftByAKilledRun);
        const UpdaterRun hold = RunProgram(tryToHold);
        ASSERT_TRUE(hold.finished);
        EXPECT_NE(hold.status, 0);
        EXPECT_NE(hold.standardError.find("Permission denied"), std::string::npos)
            << hold.standardError;
        const UpdaterRun join = RunProgram(theirUpdater);
        ASSERT_TRUE(join.finished);
        EXPECT_EQ(ServerLog(), Strings{});
        EXPECT_EQ(ReadConfig(), config);
    }
    ASSERT_TRUE(RunUpdater().finished);
    EXPECT_EQ(ReadConfig(), ConfigText("1.0.1", "main", "1.0.0"));
    EXPECT_EQ(ServerLog(), (Strings{"GET /record.xml", "GET /1.0.1.zip"}));
}

// A process in another network namespace, as in a container sharing the folder, holds the lock.
TEST_F(InstallationLockRun, AHolderInAnotherNetworkNamespaceExcludesTheUpdate) {
    const std::string config = ConfigText("1.0.0", "main", "");
    WriteConfig(config);
    AddMainProgram("1.0.0");
    Publish("1.0.1");
    StartServer();
    const StartedUpdater holder =
        StartProgram("holder", {"unshare", "-n", "flock", "--close", LockFile(), "sleep", "10"});
    std::vector<LockHolder> holders;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while ((!FindInstallationLockHolders(Inst(), holders) || holders.empty()) &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_EQ(holders.size(), 1u);
    EXPECT_EQ(holders[0].pid, holder.pid);

    const UpdaterRun run = RunUpdater();
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(ServerLog(), Strings{});
    EXPECT_EQ(ReadConfig(), config);

    kill(holder.pid, SIGKILL);
    ASSERT_TRUE(WaitForUpdater(holder).finished);
    ASSERT_TRUE(RunUpdater().finished);
    EXPECT_EQ(ReadConfig(), ConfigText("1.0.1", "main", "1.0.0"));
}

} // namespace
