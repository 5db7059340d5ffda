#pragma once

#include "unzip/zip_entry_info.h"

#include <optional>

// The Unix file mode stored in the high 16 bits of the external attributes, when the entry was
// made on Unix and a mode was stored.
std::optional<unsigned> UnixMode(const ZipEntryInfo& info);

// Whether the entry was made on Unix as a symbolic link (its data is the link's target).
bool IsLinkEntry(const ZipEntryInfo& info);

// Whether the entry was made on Unix as a folder.
bool IsFolderMode(const ZipEntryInfo& info);

// Permission bits applied to an extracted file: read, write and execute, never write for group
// or others (no other user may replace a program), never setuid, setgid or sticky.
inline unsigned FilePermissions(unsigned mode) {
    return mode & 0755;
}

// Permission bits applied to an extracted folder: as for a file, and the owner always keeps
// full access, so that the folder can be filled now and removed by a later update.
inline unsigned FolderPermissions(unsigned mode) {
    return FilePermissions(mode) | 0700;
}
