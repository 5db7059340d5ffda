#pragma once

#include <string>

// Whether a running process uses something inside folder: its executable, its working or root
// folder, an open file or a mapped file lies there. Looks at every process whose entries under
// /proc this process may read, which includes all of this user's. True also when it cannot be
// told (the folder cannot be resolved, or /proc cannot be read), so that nothing in use is ever
// removed.
bool IsFolderInUse(std::string folder);
