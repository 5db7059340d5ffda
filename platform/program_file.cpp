#include "platform/program_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>

namespace {

// The path with every link and "." or ".." resolved; empty when it does not exist.
std::string ResolvedPath(const std::string& path) {
    const std::unique_ptr<char, decltype(&std::free)> resolved(realpath(path.c_str(), nullptr),
                                                               std::free);
    return resolved ? std::string(resolved.get()) : std::string();
}

} // namespace

bool IsProgramWithin(const std::string& path, const std::string& folder) {
    const std::string program = ResolvedPath(path);
    std::string root = ResolvedPath(folder);
    if (program.empty() || root.empty())
        return false;
    if (root.back() != '/')
        root += '/';
    struct stat status {};
    return program.compare(0, root.size(), root) == 0 && stat(program.c_str(), &status) == 0 &&
           S_ISREG(status.st_mode) && (status.st_mode & 0111) != 0;
}

ProgramFileState InspectProgramFile(const std::string& path) {
    ProgramFileState state;
    struct stat status {};
    if (stat(path.c_str(), &status) != 0)
        return state;
    state.exists = true;
    state.regularFile = S_ISREG(status.st_mode);
    state.executable = state.regularFile && access(path.c_str(), X_OK) == 0;
    return state;
}
