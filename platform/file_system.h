#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

// File-system calls on paths of 8-bit text, "/" separated, of any length.

inline constexpr char kPathSeparator = '/';

// The absolute form of a path that need not exist: relative paths are taken from the current
// folder, "." and ".." components are resolved by their text (links are not followed) and
// repeated separators collapse. A trailing separator is kept. Empty on failure.
std::string FullPathName(std::string path);

// The components between separators, empty ones included ("/a//b/" gives "", "a", "", "b", "").
std::vector<std::string> SplitPath(const std::string& path);

enum class PathKind { Missing, File, Folder };

// What lies at a path, following links; anything that is not a folder counts as a file.
PathKind GetPathKind(std::string path);

// Whether the path itself is a symbolic link (it is not followed).
bool IsSymbolicLink(std::string path);

// Creates one folder with the given mode less the umask; its parent must exist.
bool CreateFolder(std::string path, unsigned mode = 0777);

// Sets the permission bits of a file or folder (links are followed).
bool SetPermissions(std::string path, unsigned mode);

// Creates a symbolic link at path that points to target.
bool CreateSymbolicLink(std::string target, std::string path);

// Removes a file or link (not a folder).
bool RemoveFile(std::string path);

// Whether anything, a dangling link included, lies at the path.
bool PathExists(std::string path);

// Renames a file, link or folder in one step; an existing file or empty folder at to is
// replaced.
bool RenamePath(std::string from, std::string to);

// Flushes a folder's entries to the disk.
bool FlushFolder(std::string path);

// Flushes everything written to the file system that holds path, which must exist.
bool FlushFileSystem(std::string path);

// Whether this process may create and remove entries in the folder.
bool CanWriteFolder(std::string path);

// The names in a folder, "." and ".." excluded, in no particular order; empty when it cannot
// be read.
std::vector<std::string> FolderEntryNames(std::string path);

// Sets the last-write time of the path itself (a link is not followed) and keeps its last-access
// time.
bool SetLastWriteTime(std::string path, std::timespec writeTime);

// The size and last-write time of a regular file (links are followed); false for anything else.
bool GetFileStatus(std::string path, uint64_t& size, std::time_t& lastWrite);
