#pragma once

#include <unzip.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

// An archive (a regular file) read through two windows of positioned reads: a seek costs no
// system call, and the walk over the directory and the reading of entry data each keep a window
// of their own. minizip opens, reads and closes it through FileFunctions(); entry data is read
// with ReadAt while it is open.
class CArchiveFile {
  public:
    CArchiveFile() = default;
    ~CArchiveFile();
    CArchiveFile(const CArchiveFile&) = delete;
    CArchiveFile& operator=(const CArchiveFile&) = delete;

    // File functions for minizip that act on this object, which must outlive their use.
    zlib_filefunc64_def FileFunctions();

    // Opens a regular file for reading, closing any open one.
    bool Open(const char* path);
    bool Close();
    // Up to count bytes from offset on; fewer at the end of the file or after an error.
    size_t ReadAt(char* out, size_t count, uint64_t offset);
    // Reads and seeks as a stream, from a position of its own.
    size_t Read(char* out, size_t count);
    // origin is a ZLIB_FILEFUNC_SEEK_ value; a step back arrives as an offset wrapped round.
    bool Seek(uint64_t offset, int origin);
    uint64_t Position() const { return m_position; }
    // A read from the file failed since it was opened.
    bool Failed() const { return m_failed; }

  private:
    struct Window {
        std::vector<char> bytes;
        uint64_t start = 0;
        size_t length = 0;

        bool Holds(uint64_t position) const {
            return position >= start && position - start < length;
        }
    };

    size_t ReadFromFile(char* out, size_t count, uint64_t offset);

    int m_fd = -1;
    uint64_t m_size = 0;
    uint64_t m_position = 0;
    std::array<Window, 2> m_windows;
    size_t m_lastUsed = 0;
    bool m_failed = false;
};
