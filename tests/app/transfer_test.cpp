#include "app/transfer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

namespace {

size_t Append(ResponseBuffer& buffer, std::string bytes) {
    return AppendToBuffer(bytes.data(), 1, bytes.size(), &buffer);
}

TEST(AppendToBuffer, TakesEveryByteInOrder) {
    ResponseBuffer buffer;
    EXPECT_EQ(Append(buffer, "<r><Ver"), 7u);
    EXPECT_EQ(Append(buffer, ""), 0u);
    std::string chunk = "sion>1.0.1</Version></r>";
    EXPECT_EQ(AppendToBuffer(chunk.data(), 4, 6, &buffer), 24u);
    EXPECT_EQ(buffer.bytes, "<r><Version>1.0.1</Version></r>");
    EXPECT_FALSE(buffer.tooLong);
    std::string zeros("a\0b", 3);
    EXPECT_EQ(Append(buffer, zeros), 3u);
    EXPECT_EQ(buffer.bytes.size(), 34u);
}

TEST(AppendToBuffer, KeepsABodyOfExactlyTheLimit) {
    ResponseBuffer buffer;
    EXPECT_EQ(Append(buffer, std::string(kRecordLimit - 1, 'x')), kRecordLimit - 1);
    EXPECT_EQ(Append(buffer, "y"), 1u);
    EXPECT_EQ(buffer.bytes.size(), kRecordLimit);
    EXPECT_FALSE(buffer.tooLong);
}

TEST(AppendToBuffer, ALongerBodyEmptiesTheBufferAndStopsTheTransfer) {
    ResponseBuffer buffer;
    EXPECT_EQ(Append(buffer, "<r><Version>9.9.9</Version></r>"), 31u);
    EXPECT_EQ(Append(buffer, std::string(kRecordLimit, 'x')), 0u);
    EXPECT_TRUE(buffer.tooLong);
    EXPECT_TRUE(buffer.bytes.empty());
    // Nothing more is taken once the limit was passed.
    EXPECT_EQ(Append(buffer, "<r><Version>9.9.9</Version></r>"), 0u);
    EXPECT_TRUE(buffer.bytes.empty());
}

TEST(AppendToBuffer, RefusesASizeThatOverflows) {
    ResponseBuffer buffer;
    char byte = 'x';
    EXPECT_EQ(AppendToBuffer(&byte, static_cast<size_t>(-1) / 2 + 1, 2, &buffer), 0u);
    EXPECT_TRUE(buffer.tooLong);
}

using File = std::unique_ptr<FILE, int (*)(FILE*)>;

TEST(WriteToFile, WritesTheBytesUnchanged) {
    File file(std::tmpfile(), std::fclose);
    ASSERT_TRUE(file);
    std::string bytes("PK\x03\x04\0\r\n\xff", 8);
    EXPECT_EQ(WriteToFile(bytes.data(), 1, bytes.size(), file.get()), 8u);
    EXPECT_EQ(WriteToFile(bytes.data(), 2, 4, file.get()), 8u);
    std::rewind(file.get());
    std::string back(16, '\0');
    EXPECT_EQ(std::fread(back.data(), 1, 16, file.get()), 16u);
    EXPECT_EQ(back, bytes + bytes);
}

TEST(WriteToFile, ReportsAFailedWrite) {
    File full(std::fopen("/dev/full", "wb"), std::fclose);
    ASSERT_TRUE(full);
    std::setvbuf(full.get(), nullptr, _IONBF, 0);
    std::string bytes(100, 'x');
    EXPECT_LT(WriteToFile(bytes.data(), 1, bytes.size(), full.get()), bytes.size());

    File readOnly(std::fopen("/dev/null", "rb"), std::fclose);
    ASSERT_TRUE(readOnly);
    EXPECT_LT(WriteToFile(bytes.data(), 1, bytes.size(), readOnly.get()), bytes.size());
}

} // namespace
