#pragma once

#include <string>

// A fresh folder under the system's temporary folder, removed with all it holds at the end.
class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder's path, ending with "/".
    const std::string& Path() const { return m_strPath; }

  private:
    std::string m_strPath;
};

// Writes a file with the given bytes and permission bits; false on any failure.
bool WriteTestFile(const std::string& path, const std::string& bytes, unsigned mode = 0644);

// The whole content of a file, or nothing when it cannot be read.
std::string ReadTestFile(const std::string& path);

// Waits, up to about five seconds, for a file to exist and end with a line end.
bool WaitForLine(const std::string& path);
