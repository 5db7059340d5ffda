#include "unzip/crc32.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <string>

namespace {

uint32_t ZlibCrc32(uint32_t crc, const char* data, size_t size) {
    return static_cast<uint32_t>(crc32_z(crc, reinterpret_cast<const Bytef*>(data), size));
}

TEST(Crc32Test, CheckValue) {
    EXPECT_EQ(Crc32(0, "123456789", 9), 0xCBF43926u);
}

// Every length up to 300 at every offset in a lane, then long runs with random start values:
// the same as zlib's, whichever way it is computed.
TEST(Crc32Test, SameAsZlibForEveryLengthAndAlignment) {
    std::mt19937 random(11);
    std::string bytes(200 << 10, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(random());
    for (size_t offset = 0; offset < 16; ++offset) {
        for (size_t size = 0; size <= 300; ++size)
            ASSERT_EQ(Crc32(0, bytes.data() + offset, size),
                      ZlibCrc32(0, bytes.data() + offset, size))
                << offset << " " << size;
    }
    for (int i = 0; i < 2000; ++i) {
        const auto start = static_cast<uint32_t>(random());
        const size_t offset = random() % 64;
        const size_t size = random() % (bytes.size() - offset);
        ASSERT_EQ(Crc32(start, bytes.data() + offset, size),
                  ZlibCrc32(start, bytes.data() + offset, size))
            << start << " " << offset << " " << size;
    }
}

} // namespace
