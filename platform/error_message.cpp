#include "platform/error_message.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <vector>

extern char** environ;

namespace {

bool IsSet(const char* variable) {
    const char* value = std::getenv(variable);
    return value && *value;
}

// The full path of an executable file named program in a folder of PATH. Empty entries
// (the current folder) are not searched.
std::optional<std::string> FindOnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    if (!path)
        return std::nullopt;
    const std::string folders = path;
    for (size_t start = 0; start <= folders.size();) {
        size_t end = folders.find(':', start);
        if (end == std::string::npos)
            end = folders.size();
        if (end > start) {
            const std::string candidate = folders.substr(start, end - start) + "/" + program;
            struct stat info {};
            if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
                access(candidate.c_str(), X_OK) == 0)
                return candidate;
        }
        start = end + 1;
    }
    return std::nullopt;
}

std::vector<std::string> DialogArguments(const std::string& tool, const std::string& caption,
                                         const std::string& text) {
    if (tool == "zenity")
        return {tool, "--error", "--no-markup", "--title=" + caption, "--text=" + text};
    if (tool == "kdialog")
        return {tool, "--title", caption, "--error", text};
    return {tool, "-center", "-title", caption, text};
}

void RunAndWait(const std::string& program, std::vector<std::string> arguments) {
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0)
        return;
    while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
}

} // namespace

void ShowErrorMessage(std::string caption, std::string text) {
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    std::fflush(stderr);
    if (!IsSet("DISPLAY") && !IsSet("WAYLAND_DISPLAY"))
        return;
    for (const std::string tool : {"zenity", "kdialog", "xmessage"}) {
        if (const std::optional<std::string> program = FindOnPath(tool)) {
            RunAndWait(*program, DialogArguments(tool, caption, text));
            return;
        }
    }
}
