#include "e2e_support.h"

#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Strings = std::vector<std::string>;

// The inode of everything beneath folder, by relative path: a file rewritten in place keeps its
// inode, one replaced or made anew does not.
std::map<std::string, uintmax_t> Inodes(const std::string& folder) {
    std::map<std::string, uintmax_t> inodes;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder)) {
        struct stat status {};
        lstat(entry.path().c_str(), &status);
        inodes[fs::relative(entry.path(), folder).string()] = status.st_ino;
    }
    return inodes;
}

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

TEST_F(InstallFailure, TransferCutPartWay) {
    Publish("1.0.1");
    StartServer({"--cut", "1.0.1.zip=100"});
    ExpectOldVersionKept(RunUpdater());
    EXPECT_EQ(ServerLog(), (Strings{"GET /record.xml", "GET /1.0.1.zip"}));
    EXPECT_EQ(Listing(Inst()), (Strings{"1.0.0/", "config.xml", "updater"}));

    // The next start downloads again.
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
    // What was unpacked before the damaged entry went with the staging folder.
    EXPECT_EQ(Listing(Inst()), (Strings{"1.0.0/", "config.xml", "updater"}));
}

// A package that does not hold a startable 1.0.1/main, or holds anything else, is not recorded
// and leaves nothing behind.
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
        {"no top folder", "", "main", 0755},
        {"the running version's folder", "1.0.0", "main", 0755},
    };
    WriteRecord("<r><Version>1.0.1</Version></r>");
    StartServer();
    const std::string config = ReadConfig();
    const auto running = Snapshot(Inst() + "1.0.0");
    const auto runningInodes = Inodes(Inst() + "1.0.0");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string source = PackageSource(c.topFolder + c.exe, c.exe);
        fs::permissions(source + c.exe, fs::perms(c.mode));
        // A package without its top folder would write over config.xml.
        WriteFileBytes(source + "config.xml", "<Config/>");
        MakePackage("1.0.1.zip", {c.topFolder, source});
        const UpdaterRun run = RunUpdater();
        EXPECT_TRUE(run.finished);
        EXPECT_EQ(ReadConfig(), config);
        EXPECT_EQ(Listing(Inst()), (Strings{"1.0.0/", "config.xml", "updater"}));
        EXPECT_EQ(Snapshot(Inst() + "1.0.0"), running);
        EXPECT_EQ(Inodes(Inst() + "1.0.0"), runningInodes);
    }
    EXPECT_EQ(ServerLog().size(), 2 * std::size(cases));
}

// What a killed or failed run left is removed, and never merged into the new version: the
// staging folder, config.xml's temporary files, and a folder or link at the new version's name.
TEST_F(InstallFailure, LeftoversAreRemovedAndNeverMerged) {
    Publish("1.0.1");
    fs::create_directories(Inst() + ".staging/1.0.1");
    WriteFileBytes(Inst() + ".staging/1.0.1.zip", "partial");
    WriteFileBytes(Inst() + "config.xml.tmp123-1", "<half");
    fs::create_directories(Inst() + "1.0.1/data");
    WriteFileBytes(Inst() + "1.0.1/stray.txt", "stray");
    fs::create_directory_symlink("/tmp", Inst() + "1.0.1/data/link");
    WriteFileBytes(Inst() + "1.0.1.zip", "not the updater's: left alone");
    StartServer();
    ASSERT_TRUE(RunUpdater().finished);
    EXPECT_EQ(ReadConfig(), ConfigText("1.0.1", "main", "1.0.0"));
    EXPECT_EQ(Listing(Inst()), (Strings{"1.0.0/", "1.0.1.zip", "1.0.1/", "config.xml", "updater"}));
    EXPECT_EQ(Listing(Inst() + "1.0.1"), (Strings{"data/", "main"}));
    EXPECT_EQ(Listing(Inst() + "1.0.1/data"), Strings{"readme.txt"});
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
    EXPECT_EQ(Listing(Inst()), (Strings{"1.0.0/", "config.xml", "updater"}));
}

} // namespace
