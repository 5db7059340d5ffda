#include "unzip/folders.h"

#include "platform/file_system.h"

#include <vector>

namespace {

// Position of the separator that ends the parent of the component ending at end, skipping
// repeated separators; npos when the component is the first of a relative path.
size_t ParentEnd(const std::string& path, size_t end) {
    size_t separator = path.rfind(kPathSeparator, end - 1);
    while (separator != std::string::npos && separator > 0 && path[separator - 1] == kPathSeparator)
        --separator;
    return separator;
}

} // namespace

bool EnsureFolder(std::string path) {
    while (path.size() > 1 && path.back() == kPathSeparator)
        path.pop_back();
    if (path.empty())
        return false;
    switch (GetPathKind(path)) {
    case PathKind::Folder:
        return true;
    case PathKind::File:
        return false;
    case PathKind::Missing:
        break;
    }
    // Walk up to the deepest ancestor that exists (the root and the current folder always do),
    // then create the missing folders from the top down.
    std::vector<size_t> missingEnds{path.size()};
    for (size_t end = ParentEnd(path, path.size()); end != std::string::npos && end > 0;
         end = ParentEnd(path, end)) {
        const PathKind kind = GetPathKind(path.substr(0, end));
        if (kind == PathKind::File)
            return false;
        if (kind == PathKind::Folder)
            break;
        missingEnds.push_back(end);
    }
    for (auto end = missingEnds.rbegin(); end != missingEnds.rend(); ++end) {
        const std::string folder = path.substr(0, *end);
        if (!CreateFolder(folder, 0755) && GetPathKind(folder) != PathKind::Folder)
            return false;
    }
    return true;
}

bool EnsureParentFolder(std::string path) {
    const size_t separator = path.rfind(kPathSeparator);
    if (separator == std::string::npos)
        return false;
    if (separator == 0)
        return EnsureFolder(std::string(1, kPathSeparator));
    return EnsureFolder(path.substr(0, separator));
}

void CKnownFolders::Add(const std::string& folder) {
    for (size_t separator = folder.find(kPathSeparator); separator != std::string::npos;
         separator = folder.find(kPathSeparator, separator + 1)) {
        if (separator > 0)
            m_folders.insert(folder.substr(0, separator));
    }
    m_folders.insert(folder);
}
