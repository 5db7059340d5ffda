#pragma once

#include <string>

// The running executable's full path, read from /proc/self/exe; empty when it cannot be read.
std::string OwnExecutablePath();

// The part of a path up to and including its last "/"; empty when it has none.
std::string FolderOfPath(std::string path);

// The part of a path after its last "/".
std::string FileNameOfPath(std::string path);
