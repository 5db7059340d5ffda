#include "platform/output_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

COutputFile::~COutputFile() {
    Close();
}

bool COutputFile::Create(std::string path) {
    Close();
    m_fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
    return m_fd >= 0;
}

bool COutputFile::Write(const char* data, size_t size) {
    if (m_fd < 0)
        return false;
    while (size > 0) {
        const ssize_t written = write(m_fd, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

bool COutputFile::SetPermissions(unsigned mode) {
    return m_fd >= 0 && fchmod(m_fd, static_cast<mode_t>(mode)) == 0;
}

bool COutputFile::Close() {
    if (m_fd < 0)
        return false;
    const int fd = m_fd;
    m_fd = -1;
    return close(fd) == 0;
}
