#include "e2e_support.h"

#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Strings = std::vector<std::string>;

// An installation of 1.0.0 that the server offers 1.0.1 to; every failure must leave
// config.xml as it was, so that the next start tries again.
class InstallFailure : public EndToEndTest {
  protected:
    void SetUp() override {
        EndToEndTest::SetUp();
        WriteConfig(ConfigText("1.0.0", "main", ""));
        AddMainProgram("1.0.0");
    }
    void ExpectOldVersionKept(const UpdaterRun& run) {
        EXPECT_TRUE(run.finished);
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(WaitForStarts(), Strings{StartLine("1.0.0", Inst() + "1.0.0/main")});
        EXPECT_EQ(ReadConfig(), ConfigText("1.0.0", "main", ""));
    }
};

TEST_F(InstallFailure, ServerDown) {
    Publish("1.0.1");
    ExpectOldVersionKept(RunUpdater());
    EXPECT_EQ(Listing(Inst()), (Strings{"1.0.0/", "config.xml", "updater"}));
}

TEST_F(InstallFailure, ErrorPageForTheRecord) {
    StartServer();
    ExpectOldVersionKept(RunUpdater());
    EXPECT_EQ(ServerLog(), Strings{"GET /record.xml"});
    EXPECT_EQ(Listing(Inst()), (Strings{"1.0.0/", "config.xml", "updater"}));
}

TEST_F(InstallFailure, ErrorPageForThePackageIsNotKept) {
    WriteRecord("<r><Version>1.0.1</Version></r>");
    StartServer();
    ExpectOldVersionKept(RunUpdater());
    EXPECT_EQ(ServerLog(), (Strings{"GET /record.xml", "GET /1.0.1.zip"}));
    EXPECT_EQ(Listing(Inst()), (Strings{"1.0.0/", "config.xml", "updater"}));
}

TEST_F(InstallFailure, TransferCutPartWayLeavesThePartialPackage) {
    Publish("1.0.1");
    StartServer({"--cut", "1.0.1.zip=100"});
    ExpectOldVersionKept(RunUpdater());
    EXPECT_EQ(ServerLog(), (Strings{"GET /record.xml", "GET /1.0.1.zip"}));
    EXPECT_EQ(Listing(Inst()), (Strings{"1.0.0/", "1.0.1.zip", "config.xml", "updater"}));
    EXPECT_EQ(ReadFileBytes(Inst() + "1.0.1.zip"),
              ReadFileBytes(Served() + "1.0.1.zip").substr(0, 100));

    // The next start downloads again over it.
    StopServer();
    StartServer();
    ASSERT_TRUE(RunUpdater().finished);
    EXPECT_EQ(ReadConfig(), ConfigText("1.0.1", "main", "1.0.0"));
    EXPECT_EQ(Listing(Inst()), (Strings{"1.0.0/", "1.0.1/", "config.xml", "updater"}));
}

TEST_F(InstallFailure, PackageWithNoEntries) {
    WriteRecord("<r><Version>1.0.1</Version></r>");
    MakePackage("1.0.1.zip", {"--empty"});
    StartServer();
    ExpectOldVersionKept(RunUpdater());
    EXPECT_EQ(Listing(Inst()), (Strings{"1.0.0/", "config.xml", "updater"}));
    // Downloaded again at the next start.
    ASSERT_TRUE(RunUpdater().finished);
    EXPECT_EQ(ServerLog(),
              (Strings{"GET /record.xml", "GET /1.0.1.zip", "GET /record.xml", "GET /1.0.1.zip"}));
}

TEST_F(InstallFailure, DamagedEntry) {
    WriteRecord("<r><Version>1.0.1</Version></r>");
    const std::string source = PackageSource("1.0.1", "main");
    MakePackage("1.0.1.zip", {"1.0.1", source, "--damage", "data/readme.txt"});
    StartServer();
    ExpectOldVersionKept(RunUpdater());
    EXPECT_FALSE(fs::exists(Inst() + "1.0.1.zip"));
    // The entry before the damaged one was unpacked; the damaged one is not whole.
    EXPECT_EQ(ReadFileBytes(Inst() + "1.0.1/main"), ReadFileBytes(source + "main"));
    EXPECT_NE(ReadFileBytes(Inst() + "1.0.1/data/readme.txt"), "version 1.0.1\n");
}

// A package that unpacks but does not hold a startable 1.0.1/main is not recorded.
TEST_F(InstallFailure, PackageWithoutAStartableProgram) {
    const struct {
        const char* name;
        std::string topFolder, exe;
        unsigned mode;
    } cases[] = {
        {"top folder of another version", "2.0.0", "main", 0755},
        {"top folder not the version", "v1.0.1", "main", 0755},
        {"program of another name", "1.0.1", "other", 0755},
        {"program without execute bit", "1.0.1", "main", 0644},
    };
    WriteRecord("<r><Version>1.0.1</Version></r>");
    StartServer();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string source = PackageSource(c.topFolder + c.exe, c.exe);
        fs::permissions(source + c.exe, fs::perms(c.mode));
        MakePackage("1.0.1.zip", {c.topFolder, source});
        const UpdaterRun run = RunUpdater();
        EXPECT_TRUE(run.finished);
        EXPECT_EQ(ReadConfig(), ConfigText("1.0.0", "main", ""));
        EXPECT_FALSE(fs::exists(Inst() + "1.0.1.zip"));
        fs::remove_all(Inst() + c.topFolder);
    }
    EXPECT_EQ(ServerLog().size(), 2 * std::size(cases));
}

TEST_F(InstallFailure, PackageFileCannotBeCreated) {
    Publish("1.0.1");
    fs::create_directory(Inst() + "1.0.1.zip");
    StartServer();
    ExpectOldVersionKept(RunUpdater());
    EXPECT_EQ(ServerLog(), Strings{"GET /record.xml"});
    EXPECT_TRUE(fs::is_directory(Inst() + "1.0.1.zip"));
}

TEST_F(InstallFailure, ExistingPackageFileIsOverwritten) {
    Publish("1.0.1");
    WriteFileBytes(Inst() + "1.0.1.zip", std::string(100000, 'x'));
    StartServer();
    ASSERT_TRUE(RunUpdater().finished);
    EXPECT_EQ(ReadConfig(), ConfigText("1.0.1", "main", "1.0.0"));
    EXPECT_EQ(Listing(Inst()), (Strings{"1.0.0/", "1.0.1/", "config.xml", "updater"}));
}

// The stall limit of the test build is E2E_STALL_SECONDS; the bound leaves room for slow
// machines but is far below a transfer that is never abandoned.
constexpr double kStallBound = E2E_STALL_SECONDS + 15.0;

TEST_F(InstallFailure, StalledRecordEndsTheRun) {
    Publish("1.0.1");
    StartServer({"--stall", "record.xml=-1"});
    const UpdaterRun run = RunUpdater();
    ExpectOldVersionKept(run);
    EXPECT_LT(run.seconds, kStallBound);
    EXPECT_GE(run.seconds, E2E_STALL_SECONDS - 0.5);
    EXPECT_EQ(ServerLog(), Strings{"GET /record.xml"});
}

TEST_F(InstallFailure, StalledRecordKeepsTheBytesThatArrived) {
    Publish("1.0.1");
    // The whole record arrives, but the transfer never completes.
    StartServer({"--stall", "record.xml=1000"});
    const UpdaterRun run = RunUpdater();
    ASSERT_TRUE(run.finished);
    EXPECT_LT(run.seconds, kStallBound);
    EXPECT_EQ(ReadConfig(), ConfigText("1.0.1", "main", "1.0.0"));
    EXPECT_EQ(ServerLog(), (Strings{"GET /record.xml", "GET /1.0.1.zip"}));
}

TEST_F(InstallFailure, StalledPackageFailsTheInstallation) {
    Publish("1.0.1");
    StartServer({"--stall", "1.0.1.zip=100"});
    const UpdaterRun run = RunUpdater();
    ExpectOldVersionKept(run);
    EXPECT_LT(run.seconds, kStallBound);
    EXPECT_EQ(Listing(Inst()), (Strings{"1.0.0/", "1.0.1.zip", "config.xml", "updater"}));
}

} // namespace
