#include "e2e_support.h"

#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr auto kBound = std::chrono::seconds(10);

std::string CommandLine(pid_t pid) {
    std::string text = ReadFileBytes("/proc/" + std::to_string(pid) + "/cmdline");
    for (char& c : text)
        if (c == '\0')
            c = ' ';
    return text;
}

// The processes whose parent is pid.
std::vector<pid_t> ChildrenOf(pid_t pid) {
    std::vector<pid_t> children;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator("/proc", error)) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        std::getline(stat, line);
        const size_t end = line.rfind(')');
        if (end == std::string::npos)
            continue;
        std::istringstream fields(line.substr(end + 2));
        char state = 0;
        pid_t parent = 0;
        fields >> state >> parent;
        if (parent == pid)
            children.push_back(static_cast<pid_t>(std::stoi(name)));
    }
    return children;
}

// A real X server on a free display, for the updater's dialog.
class Dialog : public EndToEndTest {
  protected:
    void SetUp() override {
        EndToEndTest::SetUp();
        const std::string displayFile = Root() + "display";
        m_xserver =
            StartProgram("xserver",
                         {"sh", "-c", "exec Xvfb -displayfd 3 -nolisten tcp 3>\"$0\"", displayFile})
                .pid;
        const auto deadline = std::chrono::steady_clock::now() + kBound;
        while (ReadFileBytes(displayFile).find('\n') == std::string::npos &&
               std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        const std::string number = ReadFileBytes(displayFile);
        ASSERT_NE(number.find('\n'), std::string::npos) << "Xvfb did not start";
        m_display = ":" + number.substr(0, number.find('\n'));
    }
    void TearDown() override {
        if (m_xserver > 0) {
            kill(m_xserver, SIGTERM);
            waitpid(m_xserver, nullptr, 0);
        }
        EndToEndTest::TearDown();
    }
    // Whether the X server shows a window of this title.
    bool ShowsWindow(const std::string& title) {
        RunTool({"xwininfo", "-root", "-tree", "-display", m_display});
        return ReadFileBytes(Root() + "tool.out").find("\"" + title + "\"") != std::string::npos;
    }

    std::string m_display;
    pid_t m_xserver = -1;
};

TEST_F(Dialog, MissingConfigOpensADialogInTheUsersLanguageAndWaitsForIt) {
    fs::copy(E2E_LOCALE_DIR, Inst() + "locale", fs::copy_options::recursive);
    const std::string text = "Die Konfigurationsdatei fehlt oder ist beschädigt. Bitte "
                             "installieren Sie dieses Programm neu.";
    const StartedUpdater updater = StartProgram(
        "updater", {Inst() + "updater"}, {"DISPLAY=" + m_display, "LC_ALL=C.UTF-8", "LANGUAGE=de"});
    ASSERT_GT(updater.pid, 0);
    const auto deadline = std::chrono::steady_clock::now() + kBound;
    while (!ShowsWindow("updater") && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_TRUE(ShowsWindow("updater"));

    // The updater waits for the dialog, which carries the text; closing it ends the run.
    const std::vector<pid_t> dialogs = ChildrenOf(updater.pid);
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_NE(CommandLine(dialogs[0]).find(text), std::string::npos) << CommandLine(dialogs[0]);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_NE(waitpid(updater.pid, nullptr, WNOHANG), updater.pid);
    kill(dialogs[0], SIGTERM);
    const UpdaterRun run = WaitForUpdater(updater);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.standardError, "updater: " + text + "\n");
}

} // namespace
