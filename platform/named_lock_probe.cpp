#include "platform/named_lock.h"

#include <dirent.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>

namespace {

struct FolderCloser {
    void operator()(DIR* folder) const { closedir(folder); }
};
using FolderHandle = std::unique_ptr<DIR, FolderCloser>;

// The inodes of the Unix sockets bound to the abstract name; false when the kernel's list
// cannot be read. One line a socket: seven fields (the seventh its inode), then the bound
// path, abstract names shown with a leading "@".
bool BoundSockets(const std::string& name, std::vector<std::string>& inodes) {
    std::ifstream sockets("/proc/net/unix");
    std::string line;
    if (!std::getline(sockets, line))
        return false;
    while (std::getline(sockets, line)) {
        std::istringstream fields(line);
        std::string field;
        for (int i = 0; i < 7; ++i)
            fields >> field;
        std::string path;
        fields >> std::ws;
        std::getline(fields, path);
        if (path == "@" + name)
            inodes.push_back(field);
    }
    return !sockets.bad();
}

std::string LinkTarget(const std::string& path) {
    char target[4096];
    const ssize_t length = readlink(path.c_str(), target, sizeof target);
    return length > 0 ? std::string(target, static_cast<size_t>(length)) : std::string();
}

// Whether one of the process's descriptors is one of the sockets.
bool HoldsSocket(const std::string& process, const std::vector<std::string>& inodes) {
    const FolderHandle descriptors(opendir((process + "/fd").c_str()));
    if (!descriptors)
        return false;
    while (const dirent* entry = readdir(descriptors.get())) {
        const std::string target = LinkTarget(process + "/fd/" + entry->d_name);
        for (const std::string& inode : inodes)
            if (target == "socket:[" + inode + "]")
                return true;
    }
    return false;
}

} // namespace

bool IsNamedLockHeld(std::string name, bool& held) {
    std::vector<std::string> inodes;
    if (!BoundSockets(name, inodes))
        return false;
    held = !inodes.empty();
    return true;
}

std::vector<LockHolder> NamedLockHolders(std::string name) {
    std::vector<std::string> inodes;
    std::vector<LockHolder> holders;
    const FolderHandle processes(opendir("/proc"));
    if (!BoundSockets(name, inodes) || inodes.empty() || !processes)
        return holders;
    while (const dirent* entry = readdir(processes.get())) {
        const std::string pid = entry->d_name;
        if (pid.empty() || !std::isdigit(static_cast<unsigned char>(pid[0])))
            continue;
        if (HoldsSocket("/proc/" + pid, inodes))
            holders.push_back({static_cast<int>(std::strtol(pid.c_str(), nullptr, 10)),
                               LinkTarget("/proc/" + pid + "/exe")});
    }
    return holders;
}
