#include "platform/error_message.h"

#include "temp_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

namespace {

// Runs with PATH set to a folder of stand-in dialog tools and the display variables given;
// puts the environment back afterwards.
class ErrorMessageTest : public testing::Test {
  protected:
    void SetUp() override {
        Keep("PATH", m_path);
        Keep("DISPLAY", m_display);
        Keep("WAYLAND_DISPLAY", m_wayland);
        setenv("PATH", (m_tools.Path() + "empty:" + m_tools.Path() + "bin").c_str(), 1);
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
    }
    void TearDown() override {
        Restore("PATH", m_path);
        Restore("DISPLAY", m_display);
        Restore("WAYLAND_DISPLAY", m_wayland);
    }

    // A tool that takes a moment, then writes its name and one argument a line.
    void AddTool(const std::string& name, unsigned mode = 0755) {
        std::filesystem::create_directories(m_tools.Path() + "bin");
        ASSERT_TRUE(WriteTestFile(m_tools.Path() + "bin/" + name,
                                  "#!/bin/sh\n/bin/sleep 0.2\n"
                                  "{ echo " +
                                      name + "; for a in \"$@\"; do echo \"$a\"; done; } > '" +
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
    static void Keep(const char* name, std::optional<std::string>& slot) {
        if (const char* value = std::getenv(name))
            slot = value;
    }
    static void Restore(const char* name, const std::optional<std::string>& slot) {
        if (slot)
            setenv(name, slot->c_str(), 1);
        else
            unsetenv(name);
    }

    TempFolder m_tools;
    std::optional<std::string> m_path, m_display, m_wayland;
};

TEST_F(ErrorMessageTest, WithoutADisplayOnlyStandardError) {
    AddTool("zenity");
    setenv("DISPLAY", "", 1);
    EXPECT_EQ(Show(), "updater: 配置文件丢失\n");
    EXPECT_EQ(ReadTestFile(Record()), "");
}

TEST_F(ErrorMessageTest, ZenityFirstAndWaitedFor) {
    AddTool("xmessage");
    AddTool("kdialog");
    AddTool("zenity");
    setenv("DISPLAY", ":7", 1);
    EXPECT_EQ(Show(), "updater: 配置文件丢失\n");
    // Written after the tool's pause: present only because the dialog was waited for.
    EXPECT_EQ(ReadTestFile(Record()),
              "zenity\n--error\n--no-markup\n--title=updater\n--text=配置文件丢失\n");
}

TEST_F(ErrorMessageTest, KdialogWhenThereIsNoZenity) {
    AddTool("xmessage");
    AddTool("kdialog");
    AddTool("zenity", 0644); // not executable: passed over
    setenv("WAYLAND_DISPLAY", "wayland-0", 1);
    EXPECT_EQ(Show(), "updater: 配置文件丢失\n");
    EXPECT_EQ(ReadTestFile(Record()), "kdialog\n--title\nupdater\n--error\n配置文件丢失\n");
}

TEST_F(ErrorMessageTest, XmessageLast) {
    AddTool("xmessage");
    setenv("DISPLAY", ":7", 1);
    EXPECT_EQ(Show(), "updater: 配置文件丢失\n");
    EXPECT_EQ(ReadTestFile(Record()), "xmessage\n-center\n-title\nupdater\n配置文件丢失\n");
}

TEST_F(ErrorMessageTest, NoToolFoundStillReports) {
    setenv("DISPLAY", ":7", 1);
    EXPECT_EQ(Show(), "updater: 配置文件丢失\n");
    unsetenv("PATH");
    EXPECT_EQ(Show(), "updater: 配置文件丢失\n");
    EXPECT_EQ(ReadTestFile(Record()), "");
}

} // namespace
