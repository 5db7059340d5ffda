#include "platform/named_lock.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstring>

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
