#include "platform/installation_lock.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace {

std::string LinkTarget(const std::string& path) {
    char target[4096];
    const ssize_t length = readlink(path.c_str(), target, sizeof target);
    return length > 0 ? std::string(target, static_cast<size_t>(length)) : std::string();
}

// The kernel's name of a file in its list of locks: device major and minor in hex, then the
// inode in decimal.
std::string LockedFileName(const struct stat& file) {
    char name[64];
    std::snprintf(name, sizeof name, "%02x:%02x:%llu", major(file.st_dev), minor(file.st_dev),
                  static_cast<unsigned long long>(file.st_ino));
    return name;
}

} // namespace

bool FindInstallationLockHolders(std::string folder, std::vector<LockHolder>& holders) {
    holders.clear();
    std::ifstream locks("/proc/locks");
    if (!locks)
        return false;
    struct stat file {};
    if (lstat((folder + kInstallationLockName).c_str(), &file) != 0)
        return errno == ENOENT; // no file, no holder
    if (!S_ISREG(file.st_mode))
        return false;
    const std::string locked = LockedFileName(file);
    // One line a lock: "1: FLOCK  ADVISORY  WRITE 1234 fe:00:5678 0 EOF". Waiters for a lock
    // follow it with "->" after the number and hold nothing.
    for (std::string line; std::getline(locks, line);) {
        std::istringstream fields(line);
        std::string number, kind, mode, access, name;
        long pid = 0;
        if (!(fields >> number >> kind) || kind != "FLOCK")
            continue;
        if (!(fields >> mode >> access >> pid >> name) || name != locked)
            continue;
        LockHolder holder;
        holder.pid = static_cast<int>(pid);
        if (pid > 0)
            holder.program = LinkTarget("/proc/" + std::to_string(pid) + "/exe");
        holders.push_back(holder);
    }
    return !locks.bad();
}
