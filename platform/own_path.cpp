#include "platform/own_path.h"

#include <unistd.h>

#include <vector>

std::string OwnExecutablePath() {
    // readlink does not say whether it cut the link, so grow until it leaves room to spare.
    for (size_t capacity = 256; capacity <= (size_t{1} << 20); capacity *= 2) {
        std::vector<char> buffer(capacity);
        const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0)
            return {};
        if (static_cast<size_t>(n) < buffer.size())
            return std::string(buffer.data(), static_cast<size_t>(n));
    }
    return {};
}

std::string FolderOfPath(std::string path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string FileNameOfPath(std::string path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}
