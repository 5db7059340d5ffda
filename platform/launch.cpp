#include "platform/launch.h"

#include <spawn.h>
#include <sys/types.h>

extern char** environ;

bool LaunchProgram(std::string path, std::vector<std::string> arguments) {
    std::vector<char*> argv = {path.data()};
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    return posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv.data(), environ) == 0;
}
