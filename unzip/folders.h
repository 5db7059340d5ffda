#pragma once

#include <string>
#include <unordered_set>

// True when path is a folder that exists, creating it and any missing ancestors.
bool EnsureFolder(std::string path);

// EnsureFolder on the part of a file path before its last separator; false when it has none.
bool EnsureParentFolder(std::string path);

// Folders, named relative to a target folder, that one extraction has found or made with no
// link on the way: entries beneath them need no further look at the disk.
class CKnownFolders {
  public:
    bool Contains(const std::string& folder) const { return m_folders.contains(folder); }
    // Remembers the folder and every folder on the way to it.
    void Add(const std::string& folder);

  private:
    std::unordered_set<std::string> m_folders;
};
