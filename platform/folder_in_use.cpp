#include "platform/folder_in_use.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cctype>
#include <climits>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

namespace {

struct FolderCloser {
    void operator()(DIR* folder) const { closedir(folder); }
};
using FolderHandle = std::unique_ptr<DIR, FolderCloser>;

// Tells paths inside one folder, given in the kernel's canonical form.
class FolderTest {
  public:
    explicit FolderTest(std::string folder) : m_strFolder(std::move(folder)) {}
    bool Contains(std::string_view path) const {
        return path.starts_with(m_strFolder) &&
               (path.size() == m_strFolder.size() || path[m_strFolder.size()] == '/' ||
                m_strFolder == "/");
    }

  private:
    std::string m_strFolder;
};

bool LinksInto(const std::string& link, const FolderTest& folder) {
    char target[PATH_MAX];
    const ssize_t length = readlink(link.c_str(), target, sizeof target);
    return length > 0 && folder.Contains(std::string(target, static_cast<size_t>(length)));
}

bool HasOpenFileIn(const std::string& process, const FolderTest& folder) {
    const std::string descriptors = process + "/fd/";
    const FolderHandle list(opendir(descriptors.c_str()));
    if (!list)
        return false;
    while (const dirent* entry = readdir(list.get()))
        if (entry->d_name[0] != '.' && LinksInto(descriptors + entry->d_name, folder))
            return true;
    return false;
}

// The whole of a /proc file, read in large pieces; empty when it cannot be read.
std::string ReadProcFile(const std::string& path) {
    std::string text;
    const int file = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (file < 0)
        return text;
    char buffer[65536];
    for (ssize_t got; (got = read(file, buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<size_t>(got));
    close(file);
    return text;
}

// A line of the maps list: address, permissions, offset, device and inode, then the mapped
// file's path, the only field that holds a "/".
bool HasMappedFileIn(const std::string& process, const FolderTest& folder) {
    const std::string maps = ReadProcFile(process + "/maps");
    for (size_t line = 0; line < maps.size();) {
        size_t end = maps.find('\n', line);
        if (end == std::string::npos)
            end = maps.size();
        const size_t path = maps.find('/', line);
        if (path < end && folder.Contains(std::string_view(maps).substr(path, end - path)))
            return true;
        line = end + 1;
    }
    return false;
}

bool UsesFolder(const std::string& process, const FolderTest& folder) {
    return LinksInto(process + "/exe", folder) || LinksInto(process + "/cwd", folder) ||
           LinksInto(process + "/root", folder) || HasOpenFileIn(process, folder) ||
           HasMappedFileIn(process, folder);
}

} // namespace

bool IsFolderInUse(std::string folder) {
    // Links under /proc name files by their canonical paths.
    const std::unique_ptr<char, decltype(&std::free)> canonical(realpath(folder.c_str(), nullptr),
                                                                &std::free);
    const FolderHandle processes(opendir("/proc"));
    if (!canonical || !processes)
        return true;
    const FolderTest test(canonical.get());
    bool sawSelf = false;
    const std::string self = std::to_string(getpid());
    while (const dirent* entry = readdir(processes.get())) {
        const std::string pid = entry->d_name;
        if (!std::isdigit(static_cast<unsigned char>(pid[0])))
            continue;
        sawSelf = sawSelf || pid == self;
        if (UsesFolder("/proc/" + pid, test))
            return true;
    }
    // A /proc that does not show this process is not the list of running processes.
    return !sawSelf;
}
