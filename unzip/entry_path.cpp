#include "unzip/entry_path.h"

#include "platform/file_system.h"

#include <vector>

namespace {

bool IsAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

} // namespace

bool IsContainedEntryName(std::string name) {
    if (name.empty() || name.front() == kPathSeparator || name.find('\0') != std::string::npos)
        return false;
    if (name.size() >= 2 && IsAsciiLetter(name[0]) && name[1] == ':')
        return false;
    for (const std::string& component : SplitPath(name)) {
        if (component == "..")
            return false;
    }
    return true;
}

std::string JoinEntryPath(std::string folder, std::string name) {
    if (!folder.empty() && folder.back() != kPathSeparator)
        folder += kPathSeparator;
    return folder + name;
}

bool PassesThroughLink(std::string folder, std::string name) {
    for (size_t separator = name.find(kPathSeparator); separator != std::string::npos;
         separator = name.find(kPathSeparator, separator + 1)) {
        if (separator > 0 && IsSymbolicLink(JoinEntryPath(folder, name.substr(0, separator))))
            return true;
    }
    return false;
}

bool IsContainedLinkTarget(std::string name, std::string target) {
    if (target.empty() || target.front() == kPathSeparator ||
        target.find('\0') != std::string::npos || target.find('\\') != std::string::npos)
        return false;
    std::vector<std::string> nameComponents = SplitPath(name);
    nameComponents.pop_back(); // the link itself
    size_t depth = 0;
    for (const std::string& component : nameComponents) {
        if (!component.empty() && component != ".")
            ++depth;
    }
    size_t climbed = 0;
    bool descending = false;
    for (const std::string& component : SplitPath(target)) {
        if (component == ".." && !descending) {
            if (++climbed > depth)
                return false;
        } else if (component.empty() || component == "." || component == "..") {
            return false;
        } else {
            descending = true;
        }
    }
    return true;
}
