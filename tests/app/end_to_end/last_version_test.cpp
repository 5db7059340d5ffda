#include "e2e_support.h"

#include <filesystem>
#include <string>
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
