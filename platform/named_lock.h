#pragma once

#include <string>
#include <vector>

// A system-wide lock known by name, owned from its creation until Release or the end of the
// process, however the process ends. It is a Unix domain socket bound to the name in the
// abstract namespace; the kernel frees the name when the socket's last descriptor closes.
// The descriptor is not inherited by started programs.
class CNamedLock {
  public:
    CNamedLock() = default;
    ~CNamedLock() { Release(); }
    CNamedLock(const CNamedLock&) = delete;
    CNamedLock& operator=(const CNamedLock&) = delete;

    // Creates the lock already owned. False when it is not held afterwards: either another
    // holder has the name (AlreadyExists) or the lock could not be made at all.
    bool Create(std::string name);

    // True when the last Create found the name held elsewhere.
    bool AlreadyExists() const { return m_bAlreadyExists; }
    bool IsHeld() const { return m_nSocket >= 0; }

    // Gives the name up; harmless when nothing is held.
    void Release();

  private:
    int m_nSocket = -1;
    bool m_bAlreadyExists = false;
};

// Whether some process holds the lock of this name right now, told without taking it (from the
// kernel's list of bound Unix sockets). False when that list cannot be read.
bool IsNamedLockHeld(std::string name, bool& held);

// A process that holds a named lock.
struct LockHolder {
    int pid = 0;
    std::string program; // its executable's path; empty when it cannot be read
};

// The processes holding the lock of this name, among those this process may inspect.
std::vector<LockHolder> NamedLockHolders(std::string name);
