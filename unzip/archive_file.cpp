#include "unzip/archive_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

namespace {

constexpr size_t kWindowSize = size_t(64) << 10;

CArchiveFile& FileOf(voidpf opaque) {
    return *static_cast<CArchiveFile*>(opaque);
}

voidpf Open(voidpf opaque, const void* path, int mode) {
    if ((mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) != ZLIB_FILEFUNC_MODE_READ)
        return nullptr;
    return FileOf(opaque).Open(static_cast<const char*>(path)) ? opaque : nullptr;
}

uLong Read(voidpf opaque, voidpf, void* buffer, uLong size) {
    return FileOf(opaque).Read(static_cast<char*>(buffer), size);
}

uLong Write(voidpf, voidpf, const void*, uLong) {
    return 0;
}

ZPOS64_T Tell(voidpf opaque, voidpf) {
    return FileOf(opaque).Position();
}

long Seek(voidpf opaque, voidpf, ZPOS64_T offset, int origin) {
    return FileOf(opaque).Seek(offset, origin) ? 0 : -1;
}

int Close(voidpf opaque, voidpf) {
    return FileOf(opaque).Close() ? 0 : EOF;
}

int TestError(voidpf opaque, voidpf) {
    return FileOf(opaque).Failed() ? 1 : 0;
}

} // namespace

CArchiveFile::~CArchiveFile() {
    Close();
}

zlib_filefunc64_def CArchiveFile::FileFunctions() {
    return {::Open, ::Read, ::Write, ::Tell, ::Seek, ::Close, ::TestError, this};
}

bool CArchiveFile::Open(const char* path) {
    Close();
    m_fd = open(path, O_RDONLY | O_CLOEXEC);
    struct stat status {};
    if (m_fd < 0 || fstat(m_fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        Close();
        return false;
    }
    m_size = static_cast<uint64_t>(status.st_size);
    for (Window& window : m_windows)
        window.bytes.resize(kWindowSize);
    return true;
}

bool CArchiveFile::Close() {
    m_position = 0;
    m_failed = false;
    for (Window& window : m_windows)
        window.length = 0;
    if (m_fd < 0)
        return false;
    const int fd = m_fd;
    m_fd = -1;
    return close(fd) == 0;
}

size_t CArchiveFile::ReadAt(char* out, size_t count, uint64_t offset) {
    size_t done = 0;
    while (done < count) {
        const uint64_t position = offset + done;
        const size_t hit = m_windows[0].Holds(position) ? 0 : m_windows[1].Holds(position) ? 1 : 2;
        if (hit < 2) {
            const Window& window = m_windows[hit];
            const size_t start = static_cast<size_t>(position - window.start);
            const size_t piece = std::min(count - done, window.length - start);
            std::memcpy(out + done, window.bytes.data() + start, piece);
            done += piece;
            m_lastUsed = hit;
        } else {
            // The window used less recently moves here.
            Window& window = m_windows[1 - m_lastUsed];
            window.start = position;
            window.length = ReadFromFile(window.bytes.data(), window.bytes.size(), position);
            if (window.length == 0)
                break;
        }
    }
    return done;
}

size_t CArchiveFile::Read(char* out, size_t count) {
    const size_t done = ReadAt(out, count, m_position);
    m_position += done;
    return done;
}

bool CArchiveFile::Seek(uint64_t offset, int origin) {
    switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET:
        m_position = offset;
        return true;
    case ZLIB_FILEFUNC_SEEK_CUR:
        m_position += offset;
        return true;
    case ZLIB_FILEFUNC_SEEK_END:
        m_position = m_size + offset;
        return true;
    default:
        return false;
    }
}

size_t CArchiveFile::ReadFromFile(char* out, size_t count, uint64_t offset) {
    if (m_fd < 0)
        return 0;
    size_t done = 0;
    while (done < count) {
        const ssize_t got =
            pread(m_fd, out + done, count - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            m_failed = true;
        if (got <= 0)
            break;
        done += static_cast<size_t>(got);
    }
    return done;
}
