#pragma once

#include <string>
#include <vector>

// The file in an installation folder whose lock the one updater at work on it holds.
inline constexpr const char* kInstallationLockName = ".updater-lock";

// The lock of one installation folder: an exclusive flock on the folder's lock file, held from
// Create until Release or the end of the process, however the process ends. Only users who may
// write the folder can create the file, and only they can open it (mode 0600, or 0660 when the
// folder is group-writable), so no one else can take or hold the lock. The descriptor is not
// inherited by started programs. Release removes the file while the lock is still held.
class CInstallationLock {
  public:
    CInstallationLock() = default;
    ~CInstallationLock() { Release(); }
    CInstallationLock(const CInstallationLock&) = delete;
    CInstallationLock& operator=(const CInstallationLock&) = delete;

    // Takes the lock of the installation in folder (ending with "/"). False when it is not held
    // afterwards: either another holder has it (AlreadyExists) or it could not be taken at all
    // (the folder cannot be written, or the lock file's name holds a link or no regular file).
    bool Create(std::string folder);

    // True when the last Create found the lock held elsewhere.
    bool AlreadyExists() const { return m_bAlreadyExists; }
    bool IsHeld() const { return m_nFile >= 0; }

    // Gives the lock up; harmless when nothing is held.
    void Release();

  private:
    int m_nFile = -1;
    std::string m_strPath;
    bool m_bAlreadyExists = false;
};

// A process that holds an installation's lock.
struct LockHolder {
    int pid = 0;         // 0 when the kernel does not tell it to this process
    std::string program; // its executable's path; empty when it cannot be read
};

// The processes holding the lock of the installation in folder (ending with "/"), told without
// taking the lock or creating its file (from the kernel's list of file locks). False when it
// cannot be told: the list cannot be read, or the lock file's name holds no regular file.
bool FindInstallationLockHolders(std::string folder, std::vector<LockHolder>& holders);
