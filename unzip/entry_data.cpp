#include "unzip/entry_data.h"

#include <zlib.h>

namespace {

constexpr uint32_t kEncryptedFlag = 0x01;

} // namespace

bool CopyCurrentEntryData(unzFile archive, const ZipEntryInfo& info, const EntryDataSink& sink) {
    if ((info.flags & kEncryptedFlag) != 0)
        return false;
    if (unzOpenCurrentFile(archive) != UNZ_OK)
        return false;
    char buffer[kCopyBufferSize];
    uLong crc = crc32(0L, Z_NULL, 0);
    uint64_t total = 0;
    bool copied = false;
    for (;;) {
        const int count = unzReadCurrentFile(archive, buffer, static_cast<unsigned>(sizeof buffer));
        if (count < 0)
            break;
        if (count == 0) {
            copied = total == info.uncompressedSize && crc == info.crc32;
            break;
        }
        const auto size = static_cast<size_t>(count);
        crc = crc32(crc, reinterpret_cast<const Bytef*>(buffer), static_cast<uInt>(count));
        total += size;
        if (!sink(buffer, size))
            break;
    }
    // The library checks the CRC-32 only when the whole entry was read; it was checked above.
    unzCloseCurrentFile(archive);
    return copied;
}
