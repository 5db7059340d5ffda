#include "e2e_support.h"

#include <sys/mount.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Strings = std::vector<std::string>;

constexpr uintmax_t kMiB = 1 << 20;
constexpr uintmax_t kReserve = 64 * kMiB; // the least the updater leaves free
constexpr uintmax_t kRoom = 8 * kMiB;     // what it may use of the small disk

// An installation of 1.0.0 on a file system of its own with about kRoom beyond the reserve.
class SmallDisk : public EndToEndTest {
  protected:
    void SetUp() override {
        EndToEndTest::SetUp();
        const uintmax_t size = kReserve + kRoom + fs::file_size(UpdaterProgram()) + kMiB;
        const std::string options = "size=" + std::to_string(size);
        if (mount("tmpfs", Inst().c_str(), "tmpfs", 0, options.c_str()) != 0)
            GTEST_SKIP() << "no small file system can be mounted here: " << std::strerror(errno);
        m_mounted = true;
        fs::copy_file(UpdaterProgram(), Inst() + "updater");
        WriteConfig(ConfigText("1.0.0", "main", ""));
        AddMainProgram("1.0.0");
        WriteRecord("<r><Version>1.0.1</Version></r>");
    }
    void TearDown() override {
        if (m_mounted)
            umount(Inst().c_str());
        EndToEndTest::TearDown();
    }

    // Offers a package of 1.0.1 that also holds data/big with these bytes.
    void OfferPackageWith(const std::string& big) {
        const std::string source = PackageSource("1.0.1", "main");
        WriteFileBytes(source + "data/big", big);
        MakePackage("1.0.1.zip", {"1.0.1", source});
    }
    void ExpectNothingLeft() {
        ASSERT_TRUE(RunUpdater().finished);
        EXPECT_EQ(ReadConfig(), ConfigText("1.0.0", "main", ""));
        EXPECT_EQ(Listing(Inst()), (Strings{"1.0.0/", "config.xml", "updater"}));
        EXPECT_EQ(ServerLog(), (Strings{"GET /record.xml", "GET /1.0.1.zip"}));
    }

  private:
    bool m_mounted = false;
};

std::string Incompressible(uintmax_t size) {
    std::string bytes(size, '\0');
    uint32_t state = 12345;
    for (char& byte : bytes) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<char>(state >> 24);
    }
    return bytes;
}

TEST_F(SmallDisk, APackageLargerThanTheRoomIsAbandonedAndDeleted) {
    OfferPackageWith(Incompressible(2 * kRoom));
    StartServer();
    ExpectNothingLeft();
}

TEST_F(SmallDisk, AnArchiveDeclaringMoreThanTheRoomIsNotExtracted) {
    OfferPackageWith(std::string(4 * kRoom, '\0'));
    ASSERT_LT(fs::file_size(Served() + "1.0.1.zip"), kRoom / 8);
    StartServer();
    ExpectNothingLeft();
}

} // namespace
