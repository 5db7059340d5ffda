#pragma once

#include <cstdint>
#include <string_view>

// One row of the byte-order-mark table.
struct ByteOrderMark {
    std::string_view bytes;
    std::u16string_view encodingName;
    uint32_t flag;
};

// UTF-8, UTF-16LE, UTF-16BE, compared in this order.
extern const ByteOrderMark kByteOrderMarks[3];
inline constexpr int kByteOrderMarkCount = 3;

inline constexpr uint32_t kEncodingBits = 0x01 | 0x04 | 0x80;
