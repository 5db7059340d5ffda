#include "delta_test_support.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

void PutFile(const std::string& path, const std::string& bytes, unsigned mode, std::time_t time) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    fs::permissions(path, fs::perms(mode));
    const timespec times[2] = {{time, 0}, {time, 0}};
    utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW);
}

std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::map<std::string, std::string> TreeOf(const std::string& folder) {
    std::map<std::string, std::string> tree;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder)) {
        struct stat status {};
        lstat(entry.path().c_str(), &status);
        std::string description = std::to_string(status.st_mode);
        if (entry.is_symlink())
            description += " " + std::to_string(status.st_mtime) + " -> " +
                           fs::read_symlink(entry.path()).string();
        else if (entry.is_regular_file())
            description += " " + std::to_string(status.st_mtime) + " " + FileBytes(entry.path());
        tree[entry.path().lexically_relative(folder).string()] = description;
    }
    return tree;
}
