#pragma once

#include <string>
#include <vector>

// Starts the program at path with argv = { path, arguments... }, this process's environment and
// current directory, and does not wait for it. False when it could not be started.
bool LaunchProgram(std::string path, std::vector<std::string> arguments = {});
