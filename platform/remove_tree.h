#pragma once

#include <string>

// Deletes path and, when it is a folder, everything in it, for good; symbolic links are
// removed, never followed. A path that does not exist counts as removed.
bool RemoveTree(std::string path);
