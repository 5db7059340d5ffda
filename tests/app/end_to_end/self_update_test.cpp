// An update that carries a new updater: the installation's updater file is replaced, only by a
// successor that passes its self-test, and a change of signing key follows the README's steps.
#include "signed_update.h"

#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Strings = std::vector<std::string>;

class SelfUpdateTest : public SignedUpdateTest {
  protected:
    // A copy of an updater build without its debugging sections, to keep packages small.
    std::string Stripped(const std::string& build, const std::string& name) {
        const std::string path = Root() + name;
        RunTool({"strip", "-o", path, build});
        return path;
    }

    void PublishWith(const std::string& version, const std::string& key,
                     const std::string& updater = "") {
        Strings argv = {E2E_PUBLISH, "--sign", E2E_KEYS + key + ".key"};
        if (!updater.empty())
            argv.insert(argv.end(), {"--updater", updater});
        argv.insert(argv.end(), {PackageSource(version, "main"), version, Served()});
        RunTool(argv);
    }

    // A signed 1.0.1 whose package carries the file at path as name, made without publish,
    // which would refuse a successor that fails its self-test.
    void PublishCarrying(const std::string& name, const std::string& path) {
        WriteRecord("<?xml version=\"1.0\"?>\n<Record>\n  <Version>1.0.1</Version>\n</Record>\n");
        MakePackage("1.0.1.zip",
                    {"1.0.1", PackageSource("1.0.1", "main"), "--top-file", name, path});
        Sign({"record.xml", "1.0.1.zip"});
    }

    std::string InstalledVersion() const {
        const std::string config = ReadConfig();
        const size_t start = config.find("<Version>") + 9;
        return config.substr(start, config.find("</Version>") - start);
    }
};

// The README's key change, step by step: the publisher's key is the old one, keys/other the new.
TEST_F(SelfUpdateTest, KeyRotationAsTheReadmeDescribes) {
    StartServer();
    const std::string offline = Root() + "offline/";
    fs::copy(Inst(), offline, fs::copy_options::recursive);

    // Steps 1 and 2: a new key pair, and an updater built with the old key and the new one.
    const std::string bridge = Stripped(E2E_BOTH_KEYS_UPDATER, "bridge");
    // Step 3: a version that carries it, signed with the old key.
    PublishWith("1.0.1", "publisher", bridge);
    ASSERT_TRUE(RunUpdater().finished);
    EXPECT_EQ(InstalledVersion(), "1.0.1");
    EXPECT_TRUE(ReadFileBytes(Inst() + "updater") == ReadFileBytes(bridge));
    EXPECT_TRUE((fs::status(Inst() + "updater").permissions() & fs::perms::owner_exec) !=
                fs::perms::none);

    // Step 4: later versions signed with the new key alone.
    PublishWith("1.0.2", "other");
    ASSERT_TRUE(RunUpdater().finished);
    EXPECT_EQ(InstalledVersion(), "1.0.2");

    // Step 5: the old key retired by an updater that knows only the new one.
    const std::string final = Stripped(E2E_OTHER_KEY_UPDATER, "final");
    PublishWith("1.0.3", "other", final);
    ASSERT_TRUE(RunUpdater().finished);
    EXPECT_EQ(InstalledVersion(), "1.0.3");
    EXPECT_TRUE(ReadFileBytes(Inst() + "updater") == ReadFileBytes(final));
    PublishWith("1.0.4", "publisher");
    ASSERT_TRUE(RunUpdater().finished);
    EXPECT_EQ(InstalledVersion(), "1.0.3");

    // An installation that was offline through it all knows only the old key: it refuses.
    const std::string before = ReadFileBytes(offline + "config.xml");
    PublishWith("1.0.5", "other");
    ASSERT_TRUE(RunProgram({offline + "updater"}).finished);
    EXPECT_EQ(ReadFileBytes(offline + "config.xml"), before);
}

struct RefusedSuccessor {
    const char* what;
    std::string bytes; // empty: a stripped copy of the unsigned updater build
    unsigned mode;
};

// A successor that does not qualify refuses the whole installation, and leaves nothing behind.
TEST_F(SelfUpdateTest, SuccessorsThatFailTheirSelfTestAreRefused) {
    StartServer();
    const std::string unsignedBuild = Stripped(E2E_UPDATER, "unsigned");
    const std::string updater = ReadFileBytes(Inst() + "updater");
    const std::vector<RefusedSuccessor> cases = {
        {"exits with status 1", "#!/bin/sh\nexit 1\n", 0755},
        {"not executable", ReadFileBytes(Stripped(E2E_BOTH_KEYS_UPDATER, "plain")), 0644},
        {"a text file", "just some text\n", 0755},
        {"hangs", "#!/bin/sh\nexec sleep 60\n", 0755},
        {"says something else", "#!/bin/sh\necho updater self-test: passed\n", 0755},
        {"installs unsigned updates", ReadFileBytes(unsignedBuild), 0755},
    };
    for (const RefusedSuccessor& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFileBytes(Root() + "successor", c.bytes, c.mode);
        fs::permissions(Root() + "successor", static_cast<fs::perms>(c.mode));
        PublishCarrying("updater", Root() + "successor");
        const UpdaterRun run = RunUpdater();
        EXPECT_TRUE(run.finished);
        EXPECT_EQ(ReadConfig(), ConfigText("1.0.0", "main", ""));
        EXPECT_TRUE(ReadFileBytes(Inst() + "updater") == updater);
        EXPECT_EQ(Listing(Inst()), (Strings{"1.0.0/", "config.xml", "updater"}));
    }
}

// The dry run says whether the package carries an updater and runs its self-test, in a
// temporary folder.
TEST_F(SelfUpdateTest, UpdatecheckRunsTheSuccessorsSelfTest) {
    StartServer();
    const auto installation = Snapshot(Inst());
    PublishWith("1.0.1", "publisher", Stripped(E2E_BOTH_KEYS_UPDATER, "bridge"));
    const UpdaterRun passing = RunProgram({E2E_SIGNED_UPDATECHECK, "--package", Inst()});
    EXPECT_EQ(passing.status, 0) << passing.standardOutput;
    EXPECT_NE(passing.standardOutput.find("new updater: updater: its self-test passed"),
              std::string::npos)
        << passing.standardOutput;

    WriteFileBytes(Root() + "failing", "#!/bin/sh\nexit 3\n", 0755);
    PublishCarrying("tool", Root() + "failing");
    const UpdaterRun failing = RunProgram(
        {E2E_SIGNED_UPDATECHECK, "--package", "--updater-name", "tool", Inst()});
    EXPECT_EQ(failing.status, 7) << failing.standardOutput;
    EXPECT_NE(failing.standardOutput.find("would not take this one's place: its self-test ended "
                                          "with status 3"),
              std::string::npos)
        << failing.standardOutput;
    EXPECT_TRUE(Snapshot(Inst()) == installation);
}

} // namespace
