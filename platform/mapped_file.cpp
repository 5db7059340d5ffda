#include "platform/mapped_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

bool CMappedFile::Open(const std::string& path) {
    Close();
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat status {};
    bool mapped = fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
    if (mapped && status.st_size > 0) {
        void* data = mmap(nullptr, static_cast<size_t>(status.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
        mapped = data != MAP_FAILED;
        if (mapped) {
            m_pData = data;
            m_nSize = static_cast<size_t>(status.st_size);
        }
    }
    close(fd);
    return mapped;
}

void CMappedFile::Close() {
    if (m_pData)
        munmap(m_pData, m_nSize);
    m_pData = nullptr;
    m_nSize = 0;
}
