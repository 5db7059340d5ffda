#include "platform/output_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

COutputFile::~COutputFile() {
    Close();
}

bool COutputFile::Create(std::string path) {
    Close();
    m_fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
    m_failed = false;
    if (m_fd >= 0 && !m_buffer)
        m_buffer = std::make_unique_for_overwrite<char[]>(kOutputBufferSize);
    return m_fd >= 0;
}

bool COutputFile::Write(const char* data, size_t size) {
    if (m_fd < 0 || m_failed)
        return false;
    if (m_buffered + size > kOutputBufferSize && !Flush())
        return false;
    if (size >= kOutputBufferSize)
        return WriteThrough(data, size);
    std::memcpy(m_buffer.get() + m_buffered, data, size);
    m_buffered += size;
    return true;
}

bool COutputFile::SetPermissions(unsigned mode) {
    return m_fd >= 0 && fchmod(m_fd, static_cast<mode_t>(mode)) == 0;
}

bool COutputFile::Close() {
    if (m_fd < 0)
        return false;
    Flush();
    const int fd = m_fd;
    m_fd = -1;
    return close(fd) == 0 && !m_failed;
}

bool COutputFile::Flush() {
    const size_t size = m_buffered;
    m_buffered = 0;
    return WriteThrough(m_buffer.get(), size);
}

bool COutputFile::WriteThrough(const char* data, size_t size) {
    while (size > 0) {
        const ssize_t written = write(m_fd, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            m_failed = true;
            return false;
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}
