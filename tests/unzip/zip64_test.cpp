#include "unzip/unzipper.h"
#include "unzip/zip64_extra.h"
#include "zip_test_support.h"

#include <gtest/gtest.h>

namespace {

std::string Field(uint16_t id, const std::string& data) {
    std::string field{static_cast<char>(id & 0xFF), static_cast<char>(id >> 8),
                      static_cast<char>(data.size() & 0xFF), static_cast<char>(data.size() >> 8)};
    return field + data;
}

std::string Le64(uint64_t value) {
    std::string bytes;
    for (int i = 0; i < 8; ++i)
        bytes += static_cast<char>(value >> (8 * i));
    return bytes;
}

TEST(Zip64ExtraTest, PlaceholdersTakeTheFieldsValuesInOrder) {
    constexpr uint64_t P = kZip64Placeholder;
    const std::string unixTime = Field(0x5455, "\x03\x01\x02\x03\x04");
    const uint64_t big = (uint64_t(5) << 32) + 7;
    struct Case {
        std::string extra;
        uint64_t uncompressed, compressed; // as the central record holds them
        bool read;
        uint64_t expectedUncompressed, expectedCompressed;
    };
    const Case cases[] = {
        {"", 10, 20, true, 10, 20},
        {unixTime + Field(1, Le64(big)), P, 20, true, big, 20},
        {Field(1, Le64(big) + Le64(300)), P, P, true, big, 300},
        {Field(1, Le64(300) + Le64(0)), 10, P, true, 10, 300}, // offset follows, not read
        {unixTime, P, 20, false, P, 20},
        {Field(1, Le64(big)), P, P, false, P, P},
        {Field(1, Le64(big)).substr(0, 10), P, 20, false, P, 20}, // cut short
    };
    for (const Case& c : cases) {
        uint64_t uncompressed = c.uncompressed;
        uint64_t compressed = c.compressed;
        EXPECT_EQ(ReadZip64Sizes(c.extra, uncompressed, compressed), c.read) << c.extra.size();
        EXPECT_EQ(uncompressed, c.expectedUncompressed);
        EXPECT_EQ(compressed, c.expectedCompressed);
    }
}

// An entry that declares 5 GiB in its zip64 field: the size is read whole, and the entry,
// whose data is far shorter, fails.
TEST(Zip64ExtraTest, SizeBeyond32BitsIsReadAndChecked) {
    constexpr int64_t declared = (int64_t(5) << 30) + 3;
    TempFolder temp;
    const std::string zipPath = temp / "big.zip";
    ASSERT_TRUE(
        MakeZip({.entries = {{.name = "big.bin", .randomBytes = 4000, .declaredSize = declared}}},
                zipPath));
    CUnzipper unzipper;
    ZipEntryInfo info;
    ASSERT_TRUE(unzipper.OpenArchive(zipPath) && unzipper.MoveToFirstEntry() &&
                unzipper.ReadCurrentEntryInfo(info));
    EXPECT_EQ(info.uncompressedSize, uint64_t(declared));
    EXPECT_TRUE(info.sizeFromZip64Field);
    EXPECT_FALSE(unzipper.ExtractAll());
}

} // namespace
