#pragma once

#include <string>
#include <string_view>

// A whole file mapped read-only into memory, for reading large files without copying them.
class CMappedFile {
  public:
    CMappedFile() = default;
    ~CMappedFile() { Close(); }
    CMappedFile(const CMappedFile&) = delete;
    CMappedFile& operator=(const CMappedFile&) = delete;

    // Maps the regular file at path; an empty file gives empty bytes. False when it cannot.
    bool Open(const std::string& path);
    void Close();

    std::string_view Bytes() const { return {static_cast<const char*>(m_pData), m_nSize}; }

  private:
    void* m_pData = nullptr;
    size_t m_nSize = 0;
};
