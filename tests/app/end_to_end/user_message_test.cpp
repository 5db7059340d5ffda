#include "e2e_support.h"

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Strings = std::vector<std::string>;

const std::string kConfigMissingEnglish =
    "The configuration file is missing or damaged. Please reinstall this program.";

class UserMessage : public EndToEndTest {
  protected:
    // The catalogs the build made, shipped beside the updater as a publisher would.
    void AddCatalogs() { fs::copy(E2E_LOCALE_DIR, Inst() + "locale", fs::copy_options::recursive); }
    UpdaterRun RunIn(const std::string& language, const Strings& arguments = {}) {
        Strings argv = {Inst() + "updater"};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        return RunProgram(argv, {"LC_ALL=C.UTF-8", "LANGUAGE=" + language});
    }
};

TEST_F(UserMessage, ConfigMissingInTheUsersLanguage) {
    AddCatalogs();
    const struct {
        const char* language;
        std::string text;
    } cases[] = {
        {"", kConfigMissingEnglish},
        {"en_GB", kConfigMissingEnglish},
        {"fr", kConfigMissingEnglish},
        {"de", "Die Konfigurationsdatei fehlt oder ist beschädigt. Bitte installieren Sie dieses "
               "Programm neu."},
        {"de_AT:fr", "Die Konfigurationsdatei fehlt oder ist beschädigt. Bitte installieren Sie "
                     "dieses Programm neu."},
        {"zh_CN", "配置文件丢失或者损坏，请重新安装本程序。"},
        {"zh_TW", "配置文件丢失或者损坏，请重新安装本程序。"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.language);
        const UpdaterRun run = RunIn(c.language);
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.standardError, "updater: " + c.text + "\n");
    }
}

// A program that cannot start is named, and the installation is not brought up to date.
TEST_F(UserMessage, ProgramThatCannotStartIsNamedAndNothingIsInstalled) {
    AddCatalogs();
    AddMainProgram("1.0.0");
    WriteFileBytes(Inst() + "1.0.0/plain", "data\n", 0644);
    Publish("1.0.1");
    StartServer();
    const struct {
        const char* name;
        std::string exeElement, tried;
    } cases[] = {
        {"no such file", "<Exe>MyApp</Exe>", "1.0.0/MyApp"},
        {"not executable", "<Exe>plain</Exe>", "1.0.0/plain"},
        {"a folder", "<Exe>.</Exe>", "1.0.0/."},
        {"empty", "<Exe></Exe>", "1.0.0/"},
        {"no Exe element", "", "1.0.0/"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string config = "<c><Version>1.0.0</Version>" + c.exeElement + "</c>";
        WriteConfig(config);
        const UpdaterRun run = RunIn("de");
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.standardError, "updater: Das Programm " + Inst() + c.tried +
                                         " fehlt oder kann nicht gestartet werden. Bitte "
                                         "installieren Sie dieses Programm neu.\n");
        EXPECT_EQ(ReadConfig(), config);
    }
    EXPECT_EQ(RunIn("").standardError, "updater: The program " + Inst() +
                                           "1.0.0/ is missing or cannot be started. Please "
                                           "reinstall this program.\n");
    EXPECT_EQ(StartsAfterPause(), Strings{});
    EXPECT_EQ(ServerLog(), Strings{});
    EXPECT_EQ(Listing(Inst()), (Strings{"1.0.0/", "config.xml", "locale/", "updater"}));
}

TEST_F(UserMessage, ArgumentsReachTheProgramUnchangedAndInOrder) {
    WriteConfig(ConfigText("1.0.0", "main", ""));
    const std::string record = Root() + "arguments";
    WriteFileBytes(Inst() + "1.0.0/main",
                   "#!/bin/sh\nfor a; do printf '[%s]\\n' \"$a\"; done >> '" + record + "'\n",
                   0755);
    const Strings arguments = {"one two", "it's \"quoted\"", "", "Grüße 你好.txt",
                               "--version", "--help", "-"};
    ASSERT_TRUE(RunIn("", arguments).finished);
    // The updater's own options count only as its sole argument.
    ASSERT_TRUE(RunIn("", {"--help", "x"}).finished);
    for (int i = 0; i < 200 && ReadFileBytes(record).find("[x]") == std::string::npos; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(ReadFileBytes(record),
              "[one two]\n[it's \"quoted\"]\n[]\n[Grüße 你好.txt]\n[--version]\n[--help]\n[-]\n"
              "[--help]\n[x]\n");
}

TEST_F(UserMessage, VersionAndHelpAreAnsweredAndStartNothing) {
    WriteConfig(ConfigText("1.0.0", "main", ""));
    AddMainProgram("1.0.0");
    fs::copy_file(E2E_SIGNED_UPDATER, Inst() + "updater", fs::copy_options::overwrite_existing);
    StartServer();
    const UpdaterRun version = RunIn("", {"--version"});
    ASSERT_TRUE(version.finished);
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.standardOutput, "updater " UPDATECHECK_VERSION "\nserver: http://127.0.0.1:" +
                                          std::to_string(E2E_PORT) +
                                          "/\nsignatures: required, key id 29AE47B068BED8E5\n"
                                          "https authorities: the system's\n");
    const UpdaterRun help = RunIn("", {"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.standardOutput.rfind("usage: updater [ARGUMENT...]\n", 0), 0u);
    EXPECT_EQ(StartsAfterPause(), Strings{});
    EXPECT_EQ(ServerLog(), Strings{});
}

} // namespace
