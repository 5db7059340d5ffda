#include "platform/error_message.h"

#include "platform/code_page.h"
#include "platform/program_file.h"
#include "platform/utf8_convert.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <utility>
#include <vector>

extern char** environ;

namespace {

constexpr const char* kUtf8Locale = "LC_ALL=C.UTF-8";

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
            if (InspectProgramFile(candidate).executable)
                return candidate;
        }
        start = end + 1;
    }
    return std::nullopt;
}

// None of these tools reads markup from the text: zenity and yad are told not to, kdialog's
// --error shows plain text, gxmessage and xmessage have none. xmessage reads its text as
// Latin-1 unless it is told to follow the locale.
std::vector<std::string> DialogArguments(const std::string& tool, const std::string& caption,
                                         const std::string& text) {
    if (tool == "zenity")
        return {tool, "--error", "--no-markup", "--title=" + caption, "--text=" + text};
    if (tool == "kdialog")
        return {tool, "--title", caption, "--error", text};
    if (tool == "yad")
        return {tool,       "--title=" + caption,   "--text=" + text,   "--no-markup",
                "--center", "--image=dialog-error", "--button=gtk-ok:0"};
    if (tool == "gxmessage")
        return {tool, "-center", "-title", caption, text};
    return {tool, "-center", "-title", caption, "-xrm", "*international: true", text};
}

std::string AnsiToUtf8(const std::string& bytes) {
    if (bytes.empty() || bytes.size() > static_cast<size_t>(INT_MAX))
        return {};
    const int length = static_cast<int>(bytes.size());
    std::u16string text(
        static_cast<size_t>(MultiByteToUtf16(CP_ACP, bytes.data(), length, nullptr, 0)), u'\0');
    text.resize(static_cast<size_t>(MultiByteToUtf16(CP_ACP, bytes.data(), length, text.data(),
                                                     static_cast<int>(text.size()))));
    std::string utf8(Utf16ToUtf8(text.data(), text.size(), nullptr, 0), '\0');
    utf8.resize(Utf16ToUtf8(text.data(), text.size(), utf8.data(), utf8.size()));
    return utf8;
}

// The updater's environment with LC_ALL replaced by a UTF-8 locale.
std::vector<std::string> Utf8Environment() {
    std::vector<std::string> variables;
    for (char** entry = environ; *entry; ++entry) {
        if (std::string(*entry).rfind("LC_ALL=", 0) != 0)
            variables.emplace_back(*entry);
    }
    variables.emplace_back(kUtf8Locale);
    return variables;
}

std::vector<char*> PointersTo(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (std::string& s : strings)
        pointers.push_back(s.data());
    pointers.push_back(nullptr);
    return pointers;
}

void RunAndWait(const std::string& program, std::vector<std::string> arguments,
                std::optional<std::vector<std::string>> environment) {
    std::vector<char*> argv = PointersTo(arguments);
    std::vector<char*> envp;
    if (environment)
        envp = PointersTo(*environment);
    pid_t pid = 0;
    if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(),
                    environment ? envp.data() : environ) != 0)
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
    std::optional<std::vector<std::string>> environment;
    if (EnvironmentLocaleCodeset() != "UTF-8") {
        caption = AnsiToUtf8(caption);
        text = AnsiToUtf8(text);
        environment = Utf8Environment();
    }
    for (const std::string tool : {"zenity", "kdialog", "yad", "gxmessage", "xmessage"}) {
        if (const std::optional<std::string> program = FindOnPath(tool)) {
            RunAndWait(*program, DialogArguments(tool, caption, text), std::move(environment));
            return;
        }
    }
}
