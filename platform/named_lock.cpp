#include "platform/named_lock.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <fstream>
#include <sstream>

bool CNamedLock::Create(std::string name) {
    Release();
    m_bAlreadyExists = false;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    // The first byte stays NUL: the name lives in the abstract namespace, not on disk.
    if (name.empty() || name.size() > sizeof(address.sun_path) - 1)
        return false;
    std::memcpy(address.sun_path + 1, name.data(), name.size());
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
    if (bind(fd, reinterpret_cast<const sockaddr*>(&address), length) != 0) {
        m_bAlreadyExists = errno == EADDRINUSE;
        close(fd);
        return false;
    }
    m_nSocket = fd;
    return true;
}

void CNamedLock::Release() {
    if (m_nSocket >= 0)
        close(m_nSocket);
    m_nSocket = -1;
}

bool IsNamedLockHeld(std::string name, bool& held) {
    // One line a socket: seven fields, then the bound path, abstract names shown with a
    // leading "@".
    std::ifstream sockets("/proc/net/unix");
    std::string line;
    if (!std::getline(sockets, line))
        return false;
    held = false;
    while (std::getline(sockets, line)) {
        std::istringstream fields(line);
        std::string field;
        for (int i = 0; i < 7; ++i)
            fields >> field;
        std::string path;
        fields >> std::ws;
        std::getline(fields, path);
        if (path == "@" + name)
            held = true;
    }
    return !sockets.bad();
}
