#pragma once

#include <cstddef>
#include <memory>
#include <string>

// A file opened for writing from its start; closed when the object goes. Written bytes are
// gathered in a buffer of kOutputBufferSize bytes and reach the file when it is full and when
// the file is closed.
class COutputFile {
  public:
    static constexpr size_t kOutputBufferSize = size_t(64) << 10;

    COutputFile() = default;
    ~COutputFile();
    COutputFile(const COutputFile&) = delete;
    COutputFile& operator=(const COutputFile&) = delete;

    // Creates the file, or empties an existing one, with mode 0666 less the umask. A link at
    // path is not followed: creation then fails.
    bool Create(std::string path);
    // False when the file is not open or some bytes, these or earlier ones, could not reach it.
    bool Write(const char* data, size_t size);
    // Sets the permission bits of the open file.
    bool SetPermissions(unsigned mode);
    // True when the file was open, every byte reached it and it closed without error.
    bool Close();

  private:
    bool Flush();
    bool WriteThrough(const char* data, size_t size);

    int m_fd = -1;
    std::unique_ptr<char[]> m_buffer;
    size_t m_buffered = 0;
    bool m_failed = false; // a write to the file failed since it was created
};
