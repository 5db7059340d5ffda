#include "app/package_layout.h"

#include "unzip/unzipper.h"

#include <algorithm>
#include <unordered_map>

namespace {

std::string FoldedCase(std::string name) {
    std::transform(name.begin(), name.end(), name.begin(), [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    });
    return name;
}

// Paths met so far, by their case-folded form.
class CFoldedNames {
  public:
    // False when another path of the same folded form was met; a folder may be met again.
    bool Add(const std::string& path, bool isFolder) {
        const auto [known, added] = m_paths.try_emplace(FoldedCase(path), Path{path, isFolder});
        return added || (isFolder && known->second.isFolder && known->second.name == path);
    }

  private:
    struct Path {
        std::string name;
        bool isFolder;
    };
    std::unordered_map<std::string, Path> m_paths;
};

} // namespace

bool ListEntries(CUnzipper& unzipper, std::vector<ZipEntryInfo>& entries) {
    for (bool more = unzipper.MoveToFirstEntry(); more; more = unzipper.MoveToNextEntry()) {
        ZipEntryInfo info;
        if (!unzipper.ReadCurrentEntryInfo(info))
            return false;
        entries.push_back(std::move(info));
    }
    return true;
}

bool CarriesUpdater(const std::vector<ZipEntryInfo>& entries, const std::string& updaterName) {
    return !updaterName.empty() &&
           std::any_of(entries.begin(), entries.end(), [&](const ZipEntryInfo& entry) {
               return entry.name == updaterName && !entry.isFolder;
           });
}

bool IsPackageLayoutSound(const std::vector<ZipEntryInfo>& entries, const std::string& versionName,
                          const std::string& updaterName) {
    const std::string top = versionName + "/";
    CFoldedNames names;
    for (const ZipEntryInfo& entry : entries) {
        std::string path = entry.name;
        while (path.ends_with('/'))
            path.pop_back();
        if (path == versionName && entry.isFolder)
            continue;
        if (!updaterName.empty() && entry.name == updaterName && !entry.isFolder) {
            if (!names.Add(updaterName, false))
                return false;
            continue;
        }
        if (!path.starts_with(top))
            return false;
        // Every folder on the way, then the entry itself; each component a plain name, so that
        // no two names reach one place.
        for (size_t start = top.size(); start <= path.size();) {
            const size_t end = std::min(path.find('/', start), path.size());
            const std::string component = path.substr(start, end - start);
            const bool last = end == path.size();
            if (component.empty() || component == "." || component == ".." ||
                !names.Add(path.substr(0, end), !last || entry.isFolder))
                return false;
            start = end + 1;
        }
    }
    return true;
}
