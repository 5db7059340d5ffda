#pragma once

#include <cstddef>
#include <string>

// A file opened for writing from its start; closed when the object goes.
class COutputFile {
  public:
    COutputFile() = default;
    ~COutputFile();
    COutputFile(const COutputFile&) = delete;
    COutputFile& operator=(const COutputFile&) = delete;

    // Creates the file, or empties an existing one, with mode 0666 less the umask. A link at
    // path is not followed: creation then fails.
    bool Create(std::string path);
    // True only when every byte was written.
    bool Write(const char* data, size_t size);
    // Sets the permission bits of the open file.
    bool SetPermissions(unsigned mode);
    // True when the file was open and closed without error.
    bool Close();

  private:
    int m_fd = -1;
};
