#include "platform/disk_space.h"
#include "unzip/unzipper.h"
#include "zip_test_support.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

constexpr uint64_t GiB = uint64_t(1) << 30;

bool HundredGiBFree(std::string, DiskSpace& space) {
    space = {.available = 100 * GiB, .total = 500 * GiB};
    return true;
}

// While it lives, the free space is the one HundredGiBFree gives.
struct HundredGiBFreeScope {
    HundredGiBFreeScope() { SetDiskSpaceQuery(HundredGiBFree); }
    ~HundredGiBFreeScope() { SetDiskSpaceQuery(nullptr); }
};

// Entries that declare fewer bytes than their data inflates to, with 32-bit sizes and in zip64
// form: no more than the declared bytes are written, and the entry fails.
TEST(DeclaredSizeTest, DataBeyondTheDeclaredSizeIsNeverWritten) {
    TempFolder temp;
    std::vector<ZipJob> jobs;
    for (const int64_t zip64Limit : {-1, 100}) {
        ZipLayout layout{.zip64Limit = zip64Limit};
        layout.entries = {
            {.name = "bomb.txt", .data = std::string(300000, 'b'), .declaredSize = 1000},
            {.name = "after.bin", .method = "stored", .randomBytes = 70000}};
        jobs.push_back({temp / std::to_string(jobs.size()) + ".zip", layout});
    }
    ASSERT_TRUE(MakeZips(jobs));
    for (const ZipJob& job : jobs) {
        SCOPED_TRACE(job.layout.zip64Limit);
        const std::string target = job.path + ".out";
        CUnzipper unzipper;
        ASSERT_TRUE(unzipper.OpenArchive(job.path) && unzipper.SetTargetFolder(target));
        uint64_t declared = 0;
        EXPECT_TRUE(unzipper.DeclaredSize(declared));
        EXPECT_EQ(declared, 1000u + 70000u);
        EXPECT_FALSE(unzipper.ExtractAll());
        EXPECT_LE(fs::file_size(target + "/bomb.txt"), 1000u);
        EXPECT_FALSE(fs::exists(target + "/after.bin"));
    }
}

// Sixty entries declaring many GiB between them, some beyond 32 bits each: the sum is exact and
// does not fit, while a small archive does.
TEST(DeclaredSizeTest, SumOfDeclaredSizesDecidesWhetherAnArchiveFits) {
    ZipLayout bomb;
    uint64_t bombSize = 0;
    for (int i = 0; i < 60; ++i) {
        // Python's zipfile writes sizes from 2 GiB on in zip64 form.
        const int64_t declared = i % 10 == 0 ? int64_t(5) * GiB : int64_t(2) * GiB - 1;
        bomb.entries.push_back(
            {.name = "1.0.4/" + std::to_string(i), .data = "x", .declaredSize = declared});
        bombSize += uint64_t(declared);
    }
    ZipLayout small;
    small.entries = {{.name = "1.0.4/", .attr = 0x10},
                     {.name = "1.0.4/a.txt", .data = std::string(5000, 'a')},
                     {.name = "1.0.4/b.bin", .method = "stored", .randomBytes = 3000}};
    ZipLayout broken = small;
    broken.patches = {{1, "central_signature"}};
    TempFolder temp;
    ASSERT_TRUE(MakeZips(
        {{temp / "bomb.zip", bomb}, {temp / "small.zip", small}, {temp / "broken.zip", broken}}));
    const HundredGiBFreeScope space;
    const std::tuple<std::string, bool, uint64_t, bool> cases[] = {
        {"bomb.zip", true, bombSize, false},
        {"small.zip", true, 8000, true},
        {"broken.zip", false, 0, false},
    };
    for (const auto& [name, read, size, fits] : cases) {
        SCOPED_TRACE(name);
        CUnzipper unzipper;
        ASSERT_TRUE(unzipper.OpenArchive(temp / name));
        uint64_t declared = 1;
        EXPECT_EQ(unzipper.DeclaredSize(declared), read);
        if (read) {
            EXPECT_EQ(declared, size);
            EXPECT_EQ(HasRoomFor(temp.Path(), declared), fits);
        }
        ZipEntryInfo info;
        EXPECT_TRUE(unzipper.ReadCurrentEntryInfo(info));
        EXPECT_EQ(info.name, "1.0.4/" + std::string(name == "bomb.zip" ? "0" : ""));
    }
    CUnzipper none;
    uint64_t declared = 0;
    EXPECT_FALSE(none.DeclaredSize(declared));
}

} // namespace
