#pragma once

#include "unzip/zip_entry_info.h"

#include <optional>

// The Unix file mode stored in the high 16 bits of the external attributes, when the entry was
// made on Unix and a mode was stored.
std::optional<unsigned> UnixMode(const ZipEntryInfo& info);

// Whether the entry was made on Unix as a symbolic link (its data is the link's target).
bool IsLinkEntry(const ZipEntryInfo& info);

// Permission bits applied to an extracted file: read, write and execute only (never setuid,
// setgid or sticky).
inline unsigned FilePermissions(unsigned mode) {
    return mode & 0777;
}

// Permission bits applied to an extracted folder: the owner always keeps full access, so that
// the folder can be filled now and removed by a later update.
inline unsigned FolderPermissions(unsigned mode) {
    return (mode & 0777) | 0700;
}
