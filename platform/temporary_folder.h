#pragma once

#include <string>

// A fresh folder under the system's temporary folder ($TMPDIR, else /tmp), removed with all it
// holds when the object ends.
class CTemporaryFolder {
  public:
    CTemporaryFolder() = default;
    ~CTemporaryFolder();
    CTemporaryFolder(const CTemporaryFolder&) = delete;
    CTemporaryFolder& operator=(const CTemporaryFolder&) = delete;

    // Makes the folder, its name starting with prefix; false when it cannot be made.
    bool Create(const std::string& prefix);
    // The folder's path, ending with "/"; empty before Create.
    const std::string& Path() const { return m_strPath; }

  private:
    std::string m_strPath;
};
