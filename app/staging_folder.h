#pragma once

#include <string>
#include <vector>

// The updater's own folder inside the installation folder, where a version is downloaded and
// unpacked before it takes its place. No version can bear its name (see IsSafeFolderName).
inline constexpr const char* kStagingFolderName = ".staging";

// Where MoveIntoPlace puts what lay at the new version's name, inside the staging folder.
inline constexpr const char* kReplacedName = "replaced";

// Whether name is one of the files that the staging folder holds beside a staged version
// versionName: its package, partial downloads, or what the version replaced.
bool IsStagingFileName(const std::string& name, const std::string& versionName);

// The staging folder of one installation, emptied when made and when the object ends, but for
// partly downloaded packages, which later starts resume.
class CStagingFolder {
  public:
    CStagingFolder() = default;
    ~CStagingFolder() { Remove(); }
    CStagingFolder(const CStagingFolder&) = delete;
    CStagingFolder& operator=(const CStagingFolder&) = delete;

    // Makes the staging folder of the installation folder (ending with "/") with mode 0700, after
    // removing whatever lay there but partial downloads; false when it cannot be made.
    bool Create(const std::string& installationFolder);
    // Its path, ending with "/"; empty before Create.
    const std::string& Path() const { return m_strPath; }
    void Remove();

  private:
    std::string m_strPath;
};

// The names, relative to the installation folder, of what a killed run of the updater can leave
// there: what the staging folder holds but partial downloads, and config.xml's temporary files.
std::vector<std::string> FindLeftovers(const std::string& installationFolder);

// Removes what FindLeftovers finds, and the staging folder when nothing is left in it; false
// when something could not be removed.
bool RemoveLeftovers(const std::string& installationFolder);
