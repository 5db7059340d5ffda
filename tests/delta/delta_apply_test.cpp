#include "delta/delta_apply.h"
#include "delta/delta_build.h"
#include "delta/delta_manifest.h"
#include "delta_test_support.h"
#include "platform/temporary_folder.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <random>

namespace fs = std::filesystem;

namespace {

std::string Noise(size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>('a' + random() % 26);
    return bytes;
}

class DeltaApply : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(m_temporary.Create("delta-test-"));
        m_old = m_temporary.Path() + "1.0.0/";
        m_new = m_temporary.Path() + "source-1.0.1/";
        m_library = Noise(200000, 1);
        PutFile(m_old + "main", "#!/bin/sh\necho 1.0.0\n", 0755);
        PutFile(m_old + "lib/library.so", m_library);
        PutFile(m_old + "data/unchanged", "unchanged");
        PutFile(m_old + "data/moved", Noise(5000, 2));
        PutFile(m_old + "removed", "gone in 1.0.1");

        PutFile(m_new + "main", "#!/bin/sh\necho 1.0.1\n", 0755);
        std::string library = m_library;
        library.replace(100000, 4, "v101");
        PutFile(m_new + "lib/library.so", library);
        PutFile(m_new + "data/unchanged", "unchanged");
        PutFile(m_new + "share/moved", FileBytes(m_old + "data/moved"));
        PutFile(m_new + "share/new", Noise(3000, 3), 0640, 1700000100);
        fs::create_symlink("../main", m_new + "share/main");
        const timespec times[2] = {{1700000200, 0}, {1700000200, 0}};
        utimensat(AT_FDCWD, (m_new + "share/main").c_str(), times, AT_SYMLINK_NOFOLLOW);
        for (const std::string folder : {"", "lib", "data", "share"})
            fs::permissions(m_new + folder, fs::perms(0755));
        m_delta = m_temporary.Path() + DeltaFileName("1.0.1", "1.0.0");
        std::string error;
        ASSERT_TRUE(BuildDelta(m_old, "1.0.0", m_new, "1.0.1", m_delta, LinkedBlake2b(),
                               m_built, error))
            << error;
    }

    bool Apply(DeltaApplyOptions options = {}) {
        return ApplyDelta(Paths(), "1.0.0", "1.0.1", LinkedBlake2b(), options, m_applied);
    }
    DeltaPaths Paths() const {
        return {m_delta, m_old, m_temporary.Path() + "1.0.1/", m_temporary.Path() + "scratch/"};
    }
    // The archive rewritten with one entry's bytes changed by python's zipfile.
    void RewriteEntry(const std::string& name, const std::string& python) {
        const std::string script =
            "import sys, zipfile\n"
            "src, name = sys.argv[1], sys.argv[2]\n"
            "entries = [(i, zipfile.ZipFile(src).read(i.filename)) for i in zipfile.ZipFile(src).infolist()]\n"
            "with zipfile.ZipFile(src, 'w', zipfile.ZIP_DEFLATED) as out:\n"
            "    for info, data in entries:\n"
            "        if info.filename == name:\n"
            "            data = bytearray(data)\n"
            "            " + python + "\n"
            "        out.writestr(info, bytes(data))\n";
        PutFile(m_temporary.Path() + "rewrite.py", script);
        ASSERT_EQ(std::system(("python3 " + m_temporary.Path() + "rewrite.py " + m_delta + " '" +
                               name + "'").c_str()),
                  0);
    }

    CTemporaryFolder m_temporary;
    std::string m_old, m_new, m_delta, m_library;
    DeltaBuildCounts m_built;
    DeltaApplyCounts m_applied;
};

TEST_F(DeltaApply, BuildsTheNewTreeFromSameFilesPatchesAndWholeFiles) {
    EXPECT_EQ(m_built.same, 2u);
    EXPECT_EQ(m_built.patched, 2u);
    EXPECT_EQ(m_built.whole, 1u);
    ASSERT_TRUE(Apply());
    EXPECT_TRUE(TreeOf(Paths().target) == TreeOf(m_new));
    EXPECT_EQ(m_applied.linked, 2u);
    EXPECT_EQ(m_applied.patched, 2u);
    struct stat linked {};
    stat((Paths().target + "share/moved").c_str(), &linked);
    EXPECT_EQ(linked.st_nlink, 2u);
    EXPECT_FALSE(fs::exists(Paths().scratch));
    EXPECT_TRUE(fs::exists(m_old + "removed"));
    EXPECT_FALSE(fs::exists(Paths().target + "removed"));
}

TEST_F(DeltaApply, CopiesWhenLinksAreOffOrTheOldFileDiffersInMode) {
    fs::permissions(m_old + "data/unchanged", fs::perms(0600));
    ASSERT_TRUE(Apply({kDefaultWindowLogCap, true}));
    EXPECT_TRUE(TreeOf(Paths().target) == TreeOf(m_new));
    EXPECT_EQ(m_applied.linked, 1u);
    EXPECT_EQ(m_applied.copied, 1u);
    fs::remove_all(Paths().target);
    ASSERT_TRUE(Apply({kDefaultWindowLogCap, false}));
    EXPECT_EQ(m_applied.copied, 2u);
    EXPECT_TRUE(TreeOf(Paths().target) == TreeOf(m_new));
}

// Each fault leaves neither the target nor the scratch folder behind.
TEST_F(DeltaApply, AnyMismatchFailsAndLeavesNothing) {
    const std::vector<std::pair<const char*, std::function<void()>>> faults = {
        {"same file changed locally", [&] { PutFile(m_old + "data/unchanged", "changed!!"); }},
        {"patched file changed locally",
         [&] { PutFile(m_old + "lib/library.so", m_library + "x"); }},
        {"old file missing", [&] { fs::remove(m_old + "data/moved"); }},
        {"old file a link", [&] {
             fs::rename(m_old + "data/moved", m_old + "moved");
             fs::create_symlink("../moved", m_old + "data/moved");
         }},
        {"flipped byte in a whole file",
         [&] { RewriteEntry("whole/share/new", "data[10] ^= 1"); }},
        {"flipped byte in a patch", [&] { RewriteEntry("patch/lib/library.so", "data[-8] ^= 1"); }},
        {"hash in the manifest does not match",
         [&] { RewriteEntry("manifest.xml", "i = data.index(b'blake2b=\"') + 9; data[i] = data[i] ^ 1 if data[i] != 48 else 49"); }},
        {"manifest names other versions",
         [&] { RewriteEntry("manifest.xml", "data = data.replace(b'from=\"1.0.0\"', b'from=\"0.9.0\"')"); }},
        {"not a zip archive", [&] { PutFile(m_delta, "<html>not found</html>"); }},
    };
    const std::string pristine = FileBytes(m_delta);
    for (const auto& [what, fault] : faults) {
        SCOPED_TRACE(what);
        fs::remove_all(m_old);
        PutFile(m_old + "main", "#!/bin/sh\necho 1.0.0\n", 0755);
        PutFile(m_old + "lib/library.so", m_library);
        PutFile(m_old + "data/unchanged", "unchanged");
        PutFile(m_old + "data/moved", Noise(5000, 2));
        PutFile(m_delta, pristine);
        fault();
        EXPECT_FALSE(Apply());
        EXPECT_FALSE(fs::exists(Paths().target));
        EXPECT_FALSE(fs::exists(Paths().scratch));
    }
}

} // namespace
