#pragma once

#include <cstddef>
#include <map>
#include <sstream>
#include <string>
#include <vector>

// Helpers of the tests that interrupt an update at single system calls.

using Tree = std::map<std::string, std::string>;

// The calls that create, change, flush or close files and folders.
inline constexpr const char* kFileCalls =
    "openat,mkdir,mkdirat,rename,renameat,renameat2,unlink,unlinkat,rmdir,fsync,fdatasync,"
    "syncfs,sync,write,pwrite64,close,fchmod,fchmodat,chmod,utimensat,symlink,symlinkat,"
    "ftruncate,linkat";

// Every how many-th traced call is interrupted: each one, but under the sanitizers (ten times
// slower) every third.
inline constexpr size_t kCrashPointStride = E2E_CRASH_POINT_STRIDE;

// One system call of a traced run: its name and its number among the calls of that name.
struct Call {
    std::string name;
    int occurrence = 0;
    std::string line;
};

// The calls of an strace log (one call a line, "-o" output without pids).
inline std::vector<Call> ParseTrace(const std::string& log) {
    std::vector<Call> calls;
    std::map<std::string, int> seen;
    std::istringstream in(log);
    for (std::string line; std::getline(in, line);) {
        const std::string name = line.substr(0, line.find('('));
        if (name.size() < line.size() && !name.empty() &&
            name.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789_") == std::string::npos)
            calls.push_back({name, ++seen[name], line});
    }
    return calls;
}

// The text of config.xml's Version element; empty when it has none.
inline std::string VersionIn(const std::string& config) {
    const size_t start = config.find("<Version>");
    const size_t end = config.find("</Version>");
    return start < end && end != std::string::npos ? config.substr(start + 9, end - start - 9) : "";
}

// A folder's entries with their modes and bytes (or link targets), without times: copies of the
// pristine installation and the folders that an extraction makes get times of their own.
inline Tree Contents(const Tree& snapshot) {
    Tree contents;
    for (const auto& [path, entry] : snapshot) {
        const size_t mode = entry.find(' ');
        const size_t time = entry.find(' ', mode + 1);
        contents[path] = entry.substr(0, mode) + entry.substr(time);
    }
    return contents;
}

