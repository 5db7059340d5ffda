#pragma once

#include <string>

// True when path is a folder that exists, creating it and any missing ancestors.
bool EnsureFolder(std::string path);

// EnsureFolder on the part of a file path before its last separator; false when it has none.
bool EnsureParentFolder(std::string path);
