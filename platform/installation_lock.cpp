#include "platform/installation_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace {

// Another process may remove or replace the file between our open and our lock; each such
// race costs one more attempt.
constexpr int kAttempts = 8;

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Gives a lock file this process just made the folder's access: the owner alone, or the group
// too when the group may write the folder. Made by root in someone else's folder, the file goes
// to that owner, or a start with sudo would shut the owner out after a crash.
void SetLockFileAccess(int file, const std::string& folder) {
    struct stat folderStatus {};
    struct stat fileStatus {};
    if (stat(folder.c_str(), &folderStatus) != 0 || fstat(file, &fileStatus) != 0)
        return;
    bool folderGroup = fileStatus.st_gid == folderStatus.st_gid;
    if (geteuid() == 0 && folderStatus.st_uid != 0 &&
        fchown(file, folderStatus.st_uid, folderStatus.st_gid) == 0)
        folderGroup = true;
    // Shared only with the folder's group: any other group could not write the installation.
    const bool shared =
        (folderStatus.st_mode & S_IWGRP) != 0 &&
        (folderGroup || fchown(file, static_cast<uid_t>(-1), folderStatus.st_gid) == 0);
    fchmod(file, shared ? 0660 : 0600);
}

} // namespace

bool CInstallationLock::Create(std::string folder) {
    Release();
    m_bAlreadyExists = false;
    const std::string path = folder + kInstallationLockName;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        struct stat named {};
        // Never opened: a link, or anything but a regular file (a FIFO or a device).
        if (lstat(path.c_str(), &named) == 0 && !S_ISREG(named.st_mode))
            return false;
        constexpr int kFlags = O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK;
        int file = open(path.c_str(), kFlags | O_CREAT | O_EXCL, 0600);
        const bool made = file >= 0;
        if (!made) {
            if (errno != EEXIST)
                return false;
            file = open(path.c_str(), kFlags);
            if (file < 0 && errno == ENOENT)
                continue; // removed by its holder in between
            if (file < 0)
                return false;
        }
        if (made)
            SetLockFileAccess(file, folder);
        struct stat opened {};
        if (fstat(file, &opened) != 0 || !S_ISREG(opened.st_mode)) {
            close(file);
            return false;
        }
        if (flock(file, LOCK_EX | LOCK_NB) != 0) {
            const bool held = errno == EWOULDBLOCK;
            close(file);
            m_bAlreadyExists = held;
            return false;
        }
        // The lock counts only while the name still leads to the locked file.
        if (lstat(path.c_str(), &named) == 0 && SameFile(named, opened)) {
            m_nFile = file;
            m_strPath = path;
            return true;
        }
        close(file);
    }
    // Every attempt lost a race with other takers: another holder is at work.
    m_bAlreadyExists = true;
    return false;
}

void CInstallationLock::Release() {
    if (m_nFile < 0)
        return;
    // Removed while still locked, and only when the name still leads to our file: a taker that
    // opened it in between finds the name gone after its own lock and tries again.
    struct stat named {};
    struct stat opened {};
    if (lstat(m_strPath.c_str(), &named) == 0 && fstat(m_nFile, &opened) == 0 &&
        SameFile(named, opened))
        unlink(m_strPath.c_str());
    close(m_nFile);
    m_nFile = -1;
}
