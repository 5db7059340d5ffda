#include "app/staging_folder.h"

#include "platform/file_stream.h"
#include "platform/file_system.h"
#include "platform/remove_tree.h"

bool CStagingFolder::Create(const std::string& installationFolder) {
    Remove();
    const std::string path = installationFolder + kStagingFolderName;
    // Exactly 0700 whatever the umask: no other user may reach what is unpacked here.
    if (!RemoveTree(path) || !CreateFolder(path, 0700) || !SetPermissions(path, 0700))
        return false;
    m_strPath = path + kPathSeparator;
    return true;
}

void CStagingFolder::Remove() {
    if (!m_strPath.empty())
        RemoveTree(m_strPath);
    m_strPath.clear();
}

std::vector<std::string> FindLeftovers(const std::string& installationFolder) {
    std::vector<std::string> leftovers;
    for (std::string& name : FolderEntryNames(installationFolder))
        if (name == kStagingFolderName || IsReplacementTempName("config.xml", name))
            leftovers.push_back(std::move(name));
    return leftovers;
}

bool RemoveLeftovers(const std::string& installationFolder) {
    bool removed = true;
    for (const std::string& name : FindLeftovers(installationFolder))
        removed = RemoveTree(installationFolder + name) && removed;
    return removed;
}
