#include "app/staging_folder.h"

#include "app/resumable_download.h"
#include "platform/file_stream.h"
#include "platform/file_system.h"
#include "platform/remove_tree.h"

namespace {

bool IsPartialDownloadName(const std::string& name) {
    return name.ends_with(std::string(".zip") + std::string(kPartialSuffix)) ||
           name.ends_with(std::string(".zip") + std::string(kValidatorSuffix));
}

// A partly downloaded package and its validator stay for the next start to resume.
bool IsKeptAcrossRuns(const std::string& folder, const std::string& name) {
    return IsPartialDownloadName(name) && !IsSymbolicLink(folder + name) &&
           GetPathKind(folder + name) == PathKind::File;
}

// The entries of the staging folder at path (ending with "/") that no later start needs.
std::vector<std::string> DiscardedEntries(const std::string& path) {
    std::vector<std::string> discarded;
    for (std::string& name : FolderEntryNames(path))
        if (!IsKeptAcrossRuns(path, name))
            discarded.push_back(std::move(name));
    return discarded;
}

// Empties the staging folder at path (ending with "/") but for what later starts need, and
// removes it when nothing is left; anything else at path (a file, a link) is removed.
bool ClearStaging(const std::string& path) {
    const std::string folder = path.substr(0, path.size() - 1);
    if (IsSymbolicLink(folder) || GetPathKind(folder) != PathKind::Folder)
        return RemoveTree(folder);
    bool removed = true;
    for (const std::string& name : DiscardedEntries(path))
        removed = RemoveTree(path + name) && removed;
    return removed && (!FolderEntryNames(path).empty() || RemoveTree(folder));
}

std::string StagingPath(const std::string& installationFolder) {
    return installationFolder + kStagingFolderName + kPathSeparator;
}

} // namespace

bool CStagingFolder::Create(const std::string& installationFolder) {
    Remove();
    const std::string path = StagingPath(installationFolder);
    const std::string folder = path.substr(0, path.size() - 1);
    // Exactly 0700 whatever the umask: no other user may reach what is unpacked here.
    if (!ClearStaging(path) ||
        (GetPathKind(folder) == PathKind::Missing && !CreateFolder(folder, 0700)) ||
        !SetPermissions(folder, 0700))
        return false;
    m_strPath = path;
    return true;
}

void CStagingFolder::Remove() {
    if (!m_strPath.empty())
        ClearStaging(m_strPath);
    m_strPath.clear();
}

std::vector<std::string> FindLeftovers(const std::string& installationFolder) {
    std::vector<std::string> leftovers;
    for (std::string& name : FolderEntryNames(installationFolder)) {
        if (name == kStagingFolderName) {
            for (const std::string& entry : DiscardedEntries(StagingPath(installationFolder)))
                leftovers.push_back(name + kPathSeparator + entry);
        } else if (IsReplacementTempName("config.xml", name)) {
            leftovers.push_back(std::move(name));
        }
    }
    return leftovers;
}

bool RemoveLeftovers(const std::string& installationFolder) {
    bool removed = ClearStaging(StagingPath(installationFolder));
    for (const std::string& name : FolderEntryNames(installationFolder))
        if (IsReplacementTempName("config.xml", name))
            removed = RemoveTree(installationFolder + name) && removed;
    return removed;
}

bool IsStagingFileName(const std::string& name, const std::string& versionName) {
    return name == kReplacedName || name == versionName + ".zip" || IsPartialDownloadName(name);
}
