#include "platform/error_message.h"

#include "temp_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr const char* kVariables[] = {"PATH", "DISPLAY", "WAYLAND_DISPLAY", "LC_ALL", "LC_CTYPE",
                                      "LANG"};

// Runs with PATH set to a folder of stand-in dialog tools, no display and no locale variables;
// puts the environment back afterwards.
class ErrorMessageTest : public testing::Test {
  protected:
    void SetUp() override {
        for (const char* name : kVariables) {
            const char* value = std::getenv(name);
            m_saved.emplace_back(value ? std::optional<std::string>(value) : std::nullopt);
            unsetenv(name);
        }
        setenv("PATH", (m_tools.Path() + "empty:" + m_tools.Path() + "bin").c_str(), 1);
    }
    void TearDown() override {
        for (size_t i = 0; i < std::size(kVariables); ++i) {
            if (m_saved[i])
                setenv(kVariables[i], m_saved[i]->c_str(), 1);
            else
                unsetenv(kVariables[i]);
        }
    }

    // A tool that takes a moment, then writes its name, one argument a line and the LC_ALL it
    // was given.
    void AddTool(const std::string& name, unsigned mode = 0755) {
        std::filesystem::create_directories(m_tools.Path() + "bin");
        ASSERT_TRUE(WriteTestFile(m_tools.Path() + "bin/" + name,
                                  "#!/bin/sh\n/bin/sleep 0.2\n{ echo " + name +
                                      "; for a in \"$@\"; do echo \"$a\"; done; "
                                      "echo \"LC_ALL=${LC_ALL-unset}\"; } > '" +
                                      Record() + "'\n",
                                  mode));
    }
    std::string Record() const { return m_tools.Path() + "record"; }

    std::string Show() {
        testing::internal::CaptureStderr();
        ShowErrorMessage("updater", "配置文件丢失");
        return testing::internal::GetCapturedStderr();
    }

  private:
    TempFolder m_tools;
    std::vector<std::optional<std::string>> m_saved;
};

const std::string kXmessage =
    "xmessage\n-center\n-title\nupdater\n-xrm\n*international: true\n配置文件丢失\n";

TEST_F(ErrorMessageTest, WithoutADisplayOnlyStandardError) {
    AddTool("zenity");
    setenv("DISPLAY", "", 1);
    EXPECT_EQ(Show(), "updater: 配置文件丢失\n");
    EXPECT_EQ(ReadTestFile(Record()), "");
}

struct ToolCase {
    std::vector<std::string> tools; // on PATH; "-name" is there but not executable
    std::string record;             // what the chosen tool was given, waited for
};

TEST_F(ErrorMessageTest, FirstToolFoundGetsTheTextVerbatim) {
    const ToolCase cases[] = {
        {{"xmessage", "gxmessage", "yad", "kdialog", "zenity"},
         "zenity\n--error\n--no-markup\n--title=updater\n--text=配置文件丢失\n"},
        {{"xmessage", "gxmessage", "yad", "kdialog", "-zenity"},
         "kdialog\n--title\nupdater\n--error\n配置文件丢失\n"},
        {{"xmessage", "gxmessage", "yad"},
         "yad\n--title=updater\n--text=配置文件丢失\n--no-markup\n--center\n"
         "--image=dialog-error\n--button=gtk-ok:0\n"},
        {{"xmessage", "gxmessage"}, "gxmessage\n-center\n-title\nupdater\n配置文件丢失\n"},
        {{"xmessage"}, kXmessage},
    };
    setenv("LANG", "C.UTF-8", 1);
    setenv("WAYLAND_DISPLAY", "wayland-0", 1);
    for (const ToolCase& c : cases) {
        SCOPED_TRACE(c.record);
        std::filesystem::remove_all(Record());
        std::filesystem::remove_all(std::filesystem::path(Record()).parent_path() / "bin");
        for (const std::string& tool : c.tools) {
            if (tool[0] == '-')
                AddTool(tool.substr(1), 0644);
            else
                AddTool(tool);
        }
        EXPECT_EQ(Show(), "updater: 配置文件丢失\n");
        // Written after the tool's pause: present only because the dialog was waited for.
        EXPECT_EQ(ReadTestFile(Record()), c.record + "LC_ALL=unset\n");
    }
}

struct LocaleCase {
    const char* variable; // set to value; the others stay unset
    const char* value;
    const char* dialogLcAll;
};

TEST_F(ErrorMessageTest, DialogGetsAUtf8LocaleWhenTheUpdaterHasNone) {
    const LocaleCase cases[] = {
        {"LANG", "C.UTF-8", "unset"},
        {"LC_CTYPE", "C.UTF-8", "unset"},
        {"LC_ALL", "C.UTF-8", "C.UTF-8"},
        {"LC_ALL", "C", "C.UTF-8"},
        {"LANG", "", "C.UTF-8"},                     // the C locale
        {"LANG", "xx_NOWHERE.UTF-8", "C.UTF-8"},     // not installed: the C locale
        {"LC_CTYPE", "POSIX", "C.UTF-8"},
    };
    AddTool("xmessage");
    setenv("DISPLAY", ":7", 1);
    for (const LocaleCase& c : cases) {
        SCOPED_TRACE(std::string(c.variable) + "=" + c.value);
        setenv(c.variable, c.value, 1);
        EXPECT_EQ(Show(), "updater: 配置文件丢失\n");
        EXPECT_EQ(ReadTestFile(Record()), kXmessage + "LC_ALL=" + c.dialogLcAll + "\n");
        EXPECT_STREQ(std::getenv(c.variable), c.value); // the updater's own is untouched
        unsetenv(c.variable);
    }
}

TEST_F(ErrorMessageTest, NoToolFoundStillReports) {
    setenv("DISPLAY", ":7", 1);
    EXPECT_EQ(Show(), "updater: 配置文件丢失\n");
    unsetenv("PATH");
    EXPECT_EQ(Show(), "updater: 配置文件丢失\n");
    EXPECT_EQ(ReadTestFile(Record()), "");
}

} // namespace
