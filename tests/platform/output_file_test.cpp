#include "platform/output_file.h"

#include "temp_folder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Pieces smaller and larger than the buffer, and ones that straddle its end, arrive in order.
TEST(OutputFileTest, GatheredBytesArriveWholeAndInOrder) {
    TempFolder temp;
    const size_t sizes[] = {0,   2048,
                            1,   COutputFile::kOutputBufferSize - 100,
                            300, 3 * COutputFile::kOutputBufferSize + 7,
                            2048};
    std::string expected;
    COutputFile file;
    ASSERT_TRUE(file.Create(temp.Path() + "out.bin"));
    for (const size_t size : sizes) {
        std::string piece(size, '\0');
        for (size_t i = 0; i < size; ++i)
            piece[i] = static_cast<char>('a' + (expected.size() + i) % 23);
        EXPECT_TRUE(file.Write(piece.data(), piece.size()));
        expected += piece;
    }
    EXPECT_TRUE(file.Close());
    EXPECT_EQ(ReadTestFile(temp.Path() + "out.bin"), expected);
    EXPECT_FALSE(file.Write("x", 1));
}

// A device that takes no byte: the failure shows at the latest when the file is closed.
TEST(OutputFileTest, WriteFailureIsNotLostInTheBuffer) {
    COutputFile file;
    ASSERT_TRUE(file.Create("/dev/full"));
    EXPECT_TRUE(file.Write("small", 5));
    EXPECT_FALSE(file.Close());

    ASSERT_TRUE(file.Create("/dev/full"));
    const std::string large(COutputFile::kOutputBufferSize, 'x');
    EXPECT_FALSE(file.Write(large.data(), large.size()));
    EXPECT_FALSE(file.Write("more", 4));
    EXPECT_FALSE(file.Close());
}

} // namespace
