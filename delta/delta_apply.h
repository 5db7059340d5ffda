#pragma once

#include "delta/file_hash.h"
#include "delta/zstd_patch.h"

#include <cstdint>
#include <string>

struct DeltaApplyOptions {
    unsigned windowLogCap = kDefaultWindowLogCap;
    // Unchanged files become second names of the old version's files when their mode and time
    // already match; otherwise, and when the file system refuses, they are copied.
    bool hardLinks = true;
};

// What one application did, file by file.
struct DeltaApplyCounts {
    unsigned linked = 0;
    unsigned copied = 0;
    unsigned patched = 0;
    unsigned whole = 0;
};

// Where a delta is applied: the archive, the old version's folder, the folder to build (which
// must not exist yet) and a scratch folder for the archive's contents (must not exist either).
struct DeltaPaths {
    std::string archive;
    std::string oldFolder; // ending with "/"
    std::string target;    // ending with "/"
    std::string scratch;   // ending with "/"
};

// Builds the version toVersion in paths.target from the delta from fromVersion and the old
// version's files. True only when the delta's manifest is sound and names these versions, and
// every folder, file and link it lists was made, each file with the listed size and BLAKE2b-512
// hash, mode and time. On failure the target is removed; the scratch folder goes either way.
bool ApplyDelta(const DeltaPaths& paths, const std::string& fromVersion,
                const std::string& toVersion, const Blake2bFunctions& blake2b,
                const DeltaApplyOptions& options, DeltaApplyCounts& counts);
