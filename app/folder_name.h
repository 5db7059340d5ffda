#pragma once

#include <string_view>

// True when the text can stand as one folder name inside the updater's folder: not empty,
// not starting with "." (the updater's own files and folders do), at most 255 units, and free
// of "/", "\", NUL and control characters. Version texts from the server and the folder to
// delete are checked with it.
bool IsSafeFolderName(std::u16string_view name);
