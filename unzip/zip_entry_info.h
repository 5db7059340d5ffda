#pragma once

#include <cstdint>
#include <string>

// Bit of the external attributes that marks a folder entry (the MS-DOS directory attribute).
inline constexpr uint32_t kFolderAttribute = 0x10;

// The current entry of an archive, as its central directory records it.
struct ZipEntryInfo {
    std::string name; // path inside the archive, every "\" replaced by "/"; never cut
    std::string comment;
    uint32_t versionMadeBy = 0; // high byte: the system that made the entry (3 = Unix)
    uint32_t versionNeeded = 0;
    uint32_t flags = 0;
    uint32_t compressionMethod = 0; // 0 stored, 8 deflated
    uint32_t dosDateTime = 0;       // MS-DOS date in the high 16 bits, time in the low 16 bits
    uint32_t crc32 = 0;             // of the uncompressed data
    uint64_t compressedSize = 0;
    uint64_t uncompressedSize = 0;
    uint32_t internalAttributes = 0;
    uint32_t externalAttributes = 0;
    // kFolderAttribute is set, the Unix mode is a folder's, or the name ends with "/"
    bool isFolder = false;
    // The uncompressed size came from the zip64 extra field, which the library leaves unread.
    bool sizeFromZip64Field = false;
};
