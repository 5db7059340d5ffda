#include "platform/file_system.h"

#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <vector>

namespace {

// Runs call on a descriptor of the folder at path; false when it cannot be opened.
template <typename Call> bool WithFolder(const std::string& path, Call call) {
    const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool done = call(fd) == 0;
    return close(fd) == 0 && done;
}

std::string CurrentFolder() {
    std::vector<char> buffer(256);
    while (getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE)
            return {};
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

} // namespace

std::vector<std::string> SplitPath(const std::string& path) {
    std::vector<std::string> components;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find(kPathSeparator, start);
        if (end == std::string::npos)
            end = path.size();
        components.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return components;
}

std::string FullPathName(std::string path) {
    if (path.empty())
        return {};
    if (path.front() != kPathSeparator) {
        const std::string current = CurrentFolder();
        if (current.empty())
            return {};
        path = current + kPathSeparator + path;
    }
    const bool trailingSeparator = path.back() == kPathSeparator;
    std::vector<std::string> components;
    for (std::string& component : SplitPath(path)) {
        if (component == "..") {
            if (!components.empty())
                components.pop_back();
        } else if (!component.empty() && component != ".") {
            components.push_back(std::move(component));
        }
    }
    std::string full;
    for (const std::string& component : components)
        full += kPathSeparator + component;
    if (full.empty() || trailingSeparator)
        full += kPathSeparator;
    return full;
}

PathKind GetPathKind(std::string path) {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0)
        return PathKind::Missing;
    return S_ISDIR(status.st_mode) ? PathKind::Folder : PathKind::File;
}

bool IsSymbolicLink(std::string path) {
    struct stat status {};
    return lstat(path.c_str(), &status) == 0 && S_ISLNK(status.st_mode);
}

bool CreateFolder(std::string path, unsigned mode) {
    return mkdir(path.c_str(), static_cast<mode_t>(mode)) == 0;
}

bool SetPermissions(std::string path, unsigned mode) {
    return chmod(path.c_str(), static_cast<mode_t>(mode)) == 0;
}

bool CreateSymbolicLink(std::string target, std::string path) {
    return symlink(target.c_str(), path.c_str()) == 0;
}

bool RemoveFile(std::string path) {
    return unlink(path.c_str()) == 0;
}

bool SetLastWriteTime(std::string path, std::timespec writeTime) {
    const std::timespec times[2] = {{0, UTIME_OMIT}, writeTime};
    return utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) == 0;
}

bool PathExists(std::string path) {
    struct stat status {};
    return lstat(path.c_str(), &status) == 0;
}

bool RenamePath(std::string from, std::string to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}

bool FlushFolder(std::string path) {
    return WithFolder(path, fsync);
}

bool FlushFileSystem(std::string path) {
    return WithFolder(path, syncfs);
}

bool CanWriteFolder(std::string path) {
    return access(path.c_str(), W_OK | X_OK) == 0 && GetPathKind(path) == PathKind::Folder;
}

std::vector<std::string> FolderEntryNames(std::string path) {
    std::vector<std::string> names;
    const std::unique_ptr<DIR, int (*)(DIR*)> folder(opendir(path.c_str()), closedir);
    if (!folder)
        return names;
    while (const dirent* entry = readdir(folder.get())) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    return names;
}

bool GetFileStatus(std::string path, uint64_t& size, std::time_t& lastWrite) {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode))
        return false;
    size = static_cast<uint64_t>(status.st_size);
    lastWrite = status.st_mtim.tv_sec;
    return true;
}
