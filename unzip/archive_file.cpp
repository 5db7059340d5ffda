#include "unzip/archive_file.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

namespace {

constexpr size_t kWindowSize = size_t(64) << 10;

struct Window {
    std::vector<char> bytes = std::vector<char>(kWindowSize);
    uint64_t start = 0;
    size_t length = 0;

    bool Holds(uint64_t position) const { return position >= start && position - start < length; }
};

struct ArchiveFile {
    int fd = -1;
    uint64_t size = 0;
    uint64_t position = 0;
    std::array<Window, 2> windows;
    size_t lastUsed = 0;
    bool failed = false;

    ~ArchiveFile() {
        if (fd >= 0)
            close(fd);
    }

    // Up to count bytes from offset on; fewer at the end of the file or after an error.
    size_t ReadAt(char* out, size_t count, uint64_t offset) {
        size_t done = 0;
        while (done < count) {
            const ssize_t got =
                pread(fd, out + done, count - done, static_cast<off_t>(offset + done));
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                failed = true;
            if (got <= 0)
                break;
            done += static_cast<size_t>(got);
        }
        return done;
    }

    size_t Read(char* out, size_t count) {
        size_t done = 0;
        while (done < count) {
            const size_t hit = windows[0].Holds(position) ? 0 : windows[1].Holds(position) ? 1 : 2;
            if (hit < 2) {
                const Window& window = windows[hit];
                const size_t offset = static_cast<size_t>(position - window.start);
                const size_t piece = std::min(count - done, window.length - offset);
                std::memcpy(out + done, window.bytes.data() + offset, piece);
                done += piece;
                position += piece;
                lastUsed = hit;
            } else {
                // The window used less recently moves here.
                Window& window = windows[1 - lastUsed];
                window.start = position;
                window.length = ReadAt(window.bytes.data(), kWindowSize, position);
                if (window.length == 0)
                    break;
            }
        }
        return done;
    }
};

ArchiveFile& FileOf(voidpf stream) {
    return *static_cast<ArchiveFile*>(stream);
}

voidpf Open(voidpf, const void* path, int mode) {
    if ((mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) != ZLIB_FILEFUNC_MODE_READ)
        return nullptr;
    auto file = std::make_unique<ArchiveFile>();
    file->fd = open(static_cast<const char*>(path), O_RDONLY | O_CLOEXEC);
    struct stat status {};
    if (file->fd < 0 || fstat(file->fd, &status) != 0 || !S_ISREG(status.st_mode))
        return nullptr;
    file->size = static_cast<uint64_t>(status.st_size);
    return file.release();
}

uLong Read(voidpf, voidpf stream, void* buffer, uLong size) {
    return FileOf(stream).Read(static_cast<char*>(buffer), size);
}

uLong Write(voidpf, voidpf, const void*, uLong) {
    return 0;
}

ZPOS64_T Tell(voidpf, voidpf stream) {
    return FileOf(stream).position;
}

long Seek(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
    ArchiveFile& file = FileOf(stream);
    switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET:
        file.position = offset;
        return 0;
    case ZLIB_FILEFUNC_SEEK_CUR:
        file.position += offset;
        return 0;
    case ZLIB_FILEFUNC_SEEK_END:
        file.position = file.size + offset;
        return 0;
    default:
        return -1;
    }
}

int Close(voidpf, voidpf stream) {
    const std::unique_ptr<ArchiveFile> file(&FileOf(stream));
    const int fd = file->fd;
    file->fd = -1;
    return close(fd) == 0 ? 0 : EOF;
}

int TestError(voidpf, voidpf stream) {
    return FileOf(stream).failed ? 1 : 0;
}

} // namespace

zlib_filefunc64_def ArchiveFileFunctions() {
    return {Open, Read, Write, Tell, Seek, Close, TestError, nullptr};
}
