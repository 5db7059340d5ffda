#include "e2e_support.h"

#include "platform/installation_lock.h"

#include <sys/wait.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace {

using Strings = std::vector<std::string>;

// Whether a started updater has not ended yet; it stays waitable.
bool IsRunning(const StartedUpdater& started) {
    siginfo_t info{};
    return waitid(P_PID, static_cast<id_t>(started.pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
           info.si_pid == 0;
}

class SingleInstance : public EndToEndTest {};

TEST_F(SingleInstance, SecondInstanceOnlyStartsTheMainProgram) {
    const std::string config = ConfigText("1.0.0", "main", "0.9.0");
    WriteConfig(config);
    AddMainProgram("1.0.0");
    AddMainProgram("0.9.0");
    Publish("1.0.1");
    StartServer();

    CInstallationLock firstInstance;
    ASSERT_TRUE(firstInstance.Create(Inst()));
    const UpdaterRun run = RunUpdater();
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(WaitForStarts(), Strings{StartLine("1.0.0", Inst() + "1.0.0/main")});
    EXPECT_EQ(ReadConfig(), config);
    EXPECT_EQ(Listing(Inst()),
              (Strings{".updater-lock", "0.9.0/", "1.0.0/", "config.xml", "updater"}));
    EXPECT_EQ(ServerLog(), Strings{});

    // Once the lock is free, the next start does the work.
    firstInstance.Release();
    ASSERT_TRUE(RunUpdater().finished);
    EXPECT_EQ(ReadConfig(), ConfigText("1.0.1", "main", "1.0.0"));
    EXPECT_EQ(Listing(Inst()), (Strings{"1.0.0/", "1.0.1/", "config.xml", "updater"}));
}

TEST_F(SingleInstance, AnInstanceStartedDuringADownloadOnlyStartsTheMainProgram) {
    const std::string config = ConfigText("1.0.0", "main", "");
    WriteConfig(config);
    AddMainProgram("1.0.0");
    Publish("1.0.1");
    // The package stops after 100 bytes, until the stall limit abandons the transfer.
    StartServer({"--stall", "1.0.1.zip=100"});
    const Strings bothFetches = {"GET /record.xml", "GET /1.0.1.zip"};

    const StartedUpdater first = StartUpdater("first");
    for (int wait = 0; wait < 1000 && ServerLog() != bothFetches; ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(ServerLog(), bothFetches);

    const UpdaterRun second = RunUpdater();
    ASSERT_TRUE(second.finished);
    EXPECT_EQ(second.status, 0);
    EXPECT_TRUE(IsRunning(first));
    EXPECT_EQ(ServerLog(), bothFetches);
    EXPECT_EQ(ReadConfig(), config);

    const UpdaterRun firstRun = WaitForUpdater(first);
    ASSERT_TRUE(firstRun.finished);
    EXPECT_EQ(firstRun.status, 0);
    const std::string start = StartLine("1.0.0", Inst() + "1.0.0/main");
    EXPECT_EQ(WaitForStarts(), (Strings{start, start}));
}

TEST_F(SingleInstance, TheLockIsGivenUpWhenTheRunEnds) {
    WriteConfig(ConfigText("1.0.0", "main", ""));
    AddMainProgram("1.0.0");
    ASSERT_TRUE(RunUpdater().finished);
    // The lock file goes with the lock.
    EXPECT_EQ(Listing(Inst()), (Strings{"1.0.0/", "config.xml", "updater"}));
    CInstallationLock after;
    EXPECT_TRUE(after.Create(Inst()));
}

struct DamagedConfig {
    const char* name;
    std::string bytes; // written as config.xml unless missing
    bool missing;
};

const std::vector<DamagedConfig> kDamagedConfigs = {
    {"missing", "", true},
    {"empty", "", false},
    {"two top-level elements", "<Config><Version>1.0.0</Version><Exe>main</Exe></Config><Config/>",
     false},
    {"unended root", "<Config><Version>1.0.0</Version><Exe>main</Exe>", false},
    {"text only", "1.0.0", false},
};

TEST_F(SingleInstance, MissingOrDamagedConfigShowsTheMessageAndDoesNothingElse) {
    AddMainProgram("1.0.0");
    Publish("1.0.1");
    StartServer();
    for (const DamagedConfig& c : kDamagedConfigs) {
        SCOPED_TRACE(c.name);
        if (!c.missing)
            WriteConfig(c.bytes);
        const UpdaterRun run = RunUpdater();
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.standardError, "updater: The configuration file is missing or damaged. "
                                     "Please reinstall this program.\n");
        EXPECT_EQ(StartsAfterPause(), Strings{});
        if (!c.missing) {
            EXPECT_EQ(ReadConfig(), c.bytes);
        }
        EXPECT_EQ(Listing(Inst()).size(), c.missing ? 2u : 3u);
    }
    EXPECT_EQ(ServerLog(), Strings{});
}

} // namespace
