#pragma once

#include "delta/file_hash.h"

#include <string>

struct DeltaBuildCounts {
    unsigned same = 0;
    unsigned patched = 0;
    unsigned whole = 0;
};

// Writes archivePath, the delta that turns the version fromVersion (the files of oldSource) into
// toVersion (the files of newSource), as a full package of newSource installs it: files with
// their permission bits less write for group and others, folders with full access for the owner,
// times as the package's MS-DOS times give them. A file is "same" when an old file holds its
// bytes, "patch" when a zstd patch against the old file of its path (level 19, long matching) is
// smaller than the file deflated, otherwise "whole". The archive is written to a temporary file
// and renamed into place when complete. On failure, error says why.
bool BuildDelta(const std::string& oldSource, const std::string& fromVersion,
                const std::string& newSource, const std::string& toVersion,
                const std::string& archivePath, const Blake2bFunctions& blake2b,
                DeltaBuildCounts& counts, std::string& error);
