#include "unzip/entry_data.h"

#include <zlib.h>

#include <algorithm>

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
    bool copied = true;
    // Never more than the declared size is read, however far the data runs on.
    while (copied && total < info.uncompressedSize) {
        const auto wanted =
            static_cast<unsigned>(std::min<uint64_t>(sizeof buffer, info.uncompressedSize - total));
        const int count = unzReadCurrentFile(archive, buffer, wanted);
        // 0: the data ended before the declared size; negative: it is damaged.
        copied = count > 0 && sink(buffer, static_cast<size_t>(count));
        if (copied) {
            if (info.sizeFromZip64Field)
                crc = crc32(crc, reinterpret_cast<const Bytef*>(buffer), static_cast<uInt>(count));
            total += static_cast<uint64_t>(count);
        }
    }
    // Once the declared size has been read the library compares the CRC-32 (UNZ_CRCERROR),
    // unless it never knew that size.
    const bool closed = unzCloseCurrentFile(archive) == UNZ_OK;
    return copied && closed && (!info.sizeFromZip64Field || crc == info.crc32);
}
