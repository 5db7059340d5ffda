#include "platform/disk_space.h"

#include "temp_folder.h"

#include <gtest/gtest.h>

namespace {

constexpr uint64_t MiB = uint64_t(1) << 20;
constexpr uint64_t GiB = uint64_t(1) << 30;

DiskSpace g_fakeSpace;
std::string g_askedPath;

bool FakeQuery(std::string path, DiskSpace& space) {
    g_askedPath = path;
    space = g_fakeSpace;
    return true;
}

bool FailingQuery(std::string, DiskSpace&) {
    return false;
}

class DiskSpaceTest : public ::testing::Test {
  protected:
    ~DiskSpaceTest() override { SetDiskSpaceQuery(nullptr); }
};

TEST_F(DiskSpaceTest, ReserveIsTheLargerOf64MiBAndTwoPercent) {
    const std::pair<uint64_t, uint64_t> cases[] = {
        {0, 64 * MiB},
        {1 * GiB, 64 * MiB},
        {3200 * MiB, 64 * MiB},
        {5000 * MiB, 100 * MiB},
        {UINT64_MAX, UINT64_MAX / 100 * 2},
    };
    for (const auto& [total, reserve] : cases)
        EXPECT_EQ(DiskReserve(total), reserve) << total;
}

TEST_F(DiskSpaceTest, RoomLeavesTheReserveFree) {
    SetDiskSpaceQuery(FakeQuery);
    g_fakeSpace = {.available = 10 * GiB, .total = 100 * GiB}; // reserve 2 GiB
    EXPECT_TRUE(HasRoomFor("/app", 8 * GiB));
    EXPECT_EQ(g_askedPath, "/app");
    EXPECT_FALSE(HasRoomFor("/app", 8 * GiB + 1));
    EXPECT_FALSE(HasRoomFor("/app", UINT64_MAX));
    g_fakeSpace = {.available = 64 * MiB, .total = 1 * GiB}; // reserve 64 MiB
    EXPECT_TRUE(HasRoomFor("/app", 0));
    EXPECT_FALSE(HasRoomFor("/app", 1));
    g_fakeSpace = {.available = 10 * MiB, .total = 1 * GiB};
    EXPECT_FALSE(HasRoomFor("/app", 0));

    SetDiskSpaceQuery(FailingQuery);
    EXPECT_FALSE(HasRoomFor("/app", 0));
}

TEST_F(DiskSpaceTest, QueriesTheRealFileSystem) {
    TempFolder temp;
    DiskSpace space;
    ASSERT_TRUE(QueryDiskSpace(temp.Path(), space));
    EXPECT_GT(space.total, 0u);
    EXPECT_LE(space.available, space.total);
    EXPECT_FALSE(QueryDiskSpace(temp.Path() + "missing", space));
    EXPECT_FALSE(HasRoomFor(temp.Path() + "missing", 0));
    EXPECT_FALSE(HasRoomFor(temp.Path(), space.total));
}

} // namespace
