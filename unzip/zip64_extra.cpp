#include "unzip/zip64_extra.h"

namespace {

constexpr uint16_t kZip64HeaderId = 0x0001;

uint64_t LittleEndian(const std::string& bytes, size_t at, size_t count) {
    uint64_t value = 0;
    for (size_t i = count; i-- > 0;)
        value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

} // namespace

bool ReadZip64Sizes(const std::string& extraData, uint64_t& uncompressedSize,
                    uint64_t& compressedSize) {
    const bool needUncompressed = uncompressedSize == kZip64Placeholder;
    const bool needCompressed = compressedSize == kZip64Placeholder;
    if (!needUncompressed && !needCompressed)
        return true;
    for (size_t at = 0; at + 4 <= extraData.size();) {
        const auto id = static_cast<uint16_t>(LittleEndian(extraData, at, 2));
        const size_t size = LittleEndian(extraData, at + 2, 2);
        const size_t data = at + 4;
        if (data + size > extraData.size())
            return false;
        if (id == kZip64HeaderId) {
            const size_t needed = (needUncompressed ? 8u : 0u) + (needCompressed ? 8u : 0u);
            if (size < needed)
                return false;
            if (needUncompressed)
                uncompressedSize = LittleEndian(extraData, data, 8);
            if (needCompressed)
                compressedSize = LittleEndian(extraData, data + (needUncompressed ? 8 : 0), 8);
            return true;
        }
        at = data + size;
    }
    return false;
}
