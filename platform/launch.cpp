#include "platform/launch.h"

#include <spawn.h>
#include <sys/types.h>

extern char** environ;

bool LaunchProgram(std::string path) {
    char* argv[] = {path.data(), nullptr};
    pid_t pid = 0;
    return posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv, environ) == 0;
}
