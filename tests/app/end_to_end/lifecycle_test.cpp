#include "e2e_support.h"

#include <sys/stat.h>

#include <string>
#include <vector>

namespace {

using Strings = std::vector<std::string>;

class Lifecycle : public EndToEndTest {};

TEST_F(Lifecycle, InstallsOnTheFirstStartAndRemovesTheOldVersionOnTheNext) {
    WriteConfig(ConfigText("1.0.0", "main", ""));
    AddMainProgram("1.0.0");
    Publish("1.0.1");
    StartServer();

    const UpdaterRun first = RunUpdater();
    ASSERT_TRUE(first.finished);
    EXPECT_EQ(first.status, 0);
    EXPECT_EQ(first.standardError, "");
    EXPECT_EQ(WaitForStarts(), Strings{StartLine("1.0.0", Inst() + "1.0.0/main")});
    EXPECT_EQ(ReadConfig(), ConfigText("1.0.1", "main", "1.0.0"));
    EXPECT_EQ(Listing(Inst()), (Strings{"1.0.0/", "1.0.1/", "config.xml", "updater"}));
    EXPECT_EQ(Listing(Inst() + "1.0.1"), (Strings{"data/", "main"}));
    EXPECT_EQ(ReadFileBytes(Inst() + "1.0.1/data/readme.txt"), "version 1.0.1\n");
    struct stat info {};
    ASSERT_EQ(stat((Inst() + "1.0.1/main").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0755u);
    EXPECT_EQ(ServerLog(), (Strings{"GET /record.xml", "GET /1.0.1.zip"}));

    const UpdaterRun second = RunUpdater();
    ASSERT_TRUE(second.finished);
    EXPECT_EQ(second.status, 0);
    const Strings starts = WaitForStarts();
    ASSERT_EQ(starts.size(), 2u);
    EXPECT_EQ(starts[1], StartLine("1.0.1", Inst() + "1.0.1/main"));
    EXPECT_EQ(ReadConfig(), ConfigText("1.0.1", "main", ""));
    EXPECT_EQ(Listing(Inst()), (Strings{"1.0.1/", "config.xml", "updater"}));
    EXPECT_EQ(ServerLog(), (Strings{"GET /record.xml", "GET /1.0.1.zip", "GET /record.xml"}));
}

TEST_F(Lifecycle, ChildrenInAnyOrder) {
    const std::string before = "<Config><Exe>main</Exe><LastVersion/><Version>1.0.0</Version>"
                               "</Config>";
    WriteConfig(before);
    AddMainProgram("1.0.0");
    Publish("1.0.1");
    StartServer();

    ASSERT_TRUE(RunUpdater().finished);
    EXPECT_EQ(WaitForStarts(), Strings{StartLine("1.0.0", Inst() + "1.0.0/main")});
    EXPECT_EQ(ReadConfig(), "<Config><Exe>main</Exe><LastVersion>1.0.0</LastVersion>"
                            "<Version>1.0.1</Version></Config>");
    EXPECT_EQ(ServerLog(), (Strings{"GET /record.xml", "GET /1.0.1.zip"}));
}

TEST_F(Lifecycle, OnlyChildrenOfTheRootAreRead) {
    const std::string config = "<Config><Nested><Version>0.0.1</Version><Exe>other</Exe>"
                               "</Nested><Version>1.0.1</Version><Exe>main</Exe></Config>";
    WriteConfig(config);
    AddMainProgram("1.0.1");
    AddMainProgram("0.0.1", "other");
    Publish("1.0.1");
    StartServer();

    ASSERT_TRUE(RunUpdater().finished);
    EXPECT_EQ(WaitForStarts(), Strings{StartLine("1.0.1", Inst() + "1.0.1/main")});
    EXPECT_EQ(ReadConfig(), config);
    EXPECT_EQ(ServerLog(), Strings{"GET /record.xml"});
}

TEST_F(Lifecycle, WithoutLastVersionOnlyVersionIsRewritten) {
    WriteConfig("<Config>\n<Version>1.0.3</Version>\n<Exe>main</Exe>\n</Config>\n");
    AddMainProgram("1.0.3");
    Publish("1.0.4");
    StartServer();

    ASSERT_TRUE(RunUpdater().finished);
    EXPECT_EQ(WaitForStarts(), Strings{StartLine("1.0.3", Inst() + "1.0.3/main")});
    EXPECT_EQ(ReadConfig(), "<Config>\n<Version>1.0.4</Version>\n<Exe>main</Exe>\n</Config>\n");
    EXPECT_EQ(Listing(Inst()), (Strings{"1.0.3/", "1.0.4/", "config.xml", "updater"}));
}

// Without Exe no version can be shown to start, so none is recorded.
// Without a program to start the installation is not brought up to date either: the update would
// be unpacked at every start and never recorded.
TEST_F(Lifecycle, ExeMissingStartsNothingAndInstallsNothing) {
    const std::string config = "<Config><Version>1.0.0</Version><LastVersion></LastVersion></Config>";
    WriteConfig(config);
    AddMainProgram("1.0.0");
    Publish("1.0.1");
    StartServer();

    const UpdaterRun run = RunUpdater();
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(StartsAfterPause(), Strings{});
    EXPECT_EQ(ReadConfig(), config);
    EXPECT_EQ(ServerLog(), Strings{});
    EXPECT_EQ(Listing(Inst()), (Strings{"1.0.0/", "config.xml", "updater"}));
}

TEST_F(Lifecycle, VersionMissingStartsFromTheFolderItselfAndComparesWithZero) {
    const std::string config = "<Config><Exe>main</Exe><LastVersion>x</LastVersion></Config>";
    WriteConfig(config);
    AddMainProgram(".");
    Publish("0.0.1");
    StartServer();

    ASSERT_TRUE(RunUpdater().finished);
    // The empty version leaves two slashes in a row before the file name.
    EXPECT_EQ(WaitForStarts(), Strings{StartLine(".", Inst() + "/main")});
    // LastVersion takes the empty local version; there is no Version to write.
    EXPECT_EQ(ReadConfig(), "<Config><Exe>main</Exe><LastVersion></LastVersion></Config>");
    EXPECT_EQ(Listing(Inst()), (Strings{"0.0.1/", "config.xml", "main", "updater"}));
    EXPECT_EQ(ServerLog(), (Strings{"GET /record.xml", "GET /0.0.1.zip"}));
}

TEST_F(Lifecycle, ConfigSavedInTheEncodingItWasReadIn) {
    std::string utf16 = "\xFF\xFE";
    for (char c : ConfigText("1.0.0", "main", "")) {
        utf16 += c;
        utf16 += '\0';
    }
    WriteConfig(utf16);
    AddMainProgram("1.0.0");
    Publish("1.0.1");
    StartServer();

    ASSERT_TRUE(RunUpdater().finished);
    std::string expected = "\xFF\xFE";
    for (char c : ConfigText("1.0.1", "main", "1.0.0")) {
        expected += c;
        expected += '\0';
    }
    EXPECT_EQ(ReadConfig(), expected);
}

} // namespace
