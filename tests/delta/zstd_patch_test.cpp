#include "delta/zstd_patch.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

std::string RandomBytes(size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(random());
    return bytes;
}

std::string Apply(std::string_view prefix, std::string_view patch, unsigned cap, size_t size,
                  bool& applied) {
    std::string out;
    applied = ApplyPatch(prefix, patch, cap, size, [&out](const char* data, size_t count) {
        out.append(data, count);
        return true;
    });
    return out;
}

// A frame header that asks for a 2^30-byte window, with an empty content and one empty block.
std::string FrameWithLargeWindow() {
    const unsigned char frame[] = {0x28, 0xB5, 0x2F, 0xFD, // magic number
                                   0x80,                   // 4-byte content size, windowed
                                   20 << 3,                // window 2^(10 + 20)
                                   0, 0, 0, 0,             // content size 0
                                   0x01, 0x00, 0x00};      // last block, raw, empty
    return std::string(reinterpret_cast<const char*>(frame), sizeof frame);
}

TEST(ZstdPatch, PatchAgainstOldBytesRestoresNewBytesAndIsSmall) {
    const std::string old = RandomBytes(300000, 1);
    std::string changed = old;
    changed.replace(1000, 5, "hello");
    changed.insert(200000, RandomBytes(1000, 2));
    const std::string patch = MakePatch(old, changed, 19);
    ASSERT_FALSE(patch.empty());
    EXPECT_LT(patch.size(), 3000u);
    bool applied = false;
    EXPECT_EQ(Apply(old, patch, kDefaultWindowLogCap, changed.size(), applied), changed);
    EXPECT_TRUE(applied);

    const std::vector<std::pair<const char*, std::function<void(std::string&, std::string&, size_t&)>>> faults = {
        {"other prefix", [](std::string& prefix, std::string&, size_t&) { prefix[5000] ^= 1; }},
        {"flipped byte", [](std::string&, std::string& p, size_t&) { p[p.size() / 2] ^= 1; }},
        {"cut short", [](std::string&, std::string& p, size_t&) { p.resize(p.size() - 5); }},
        {"bytes after the frame", [](std::string&, std::string& p, size_t&) { p += "x"; }},
        {"other size", [](std::string&, std::string&, size_t& size) { --size; }},
        {"not zstd", [](std::string&, std::string& p, size_t&) { p = "PK\3\4 not a frame"; }},
    };
    for (const auto& [what, fault] : faults) {
        std::string prefix = old;
        std::string damaged = patch;
        size_t size = changed.size();
        fault(prefix, damaged, size);
        Apply(prefix, damaged, kDefaultWindowLogCap, size, applied);
        EXPECT_FALSE(applied) << what;
    }
}

TEST(ZstdPatch, WindowAboveTheCapIsRefusedFromTheHeader) {
    const std::string frame = FrameWithLargeWindow();
    unsigned long long window = 0;
    ASSERT_TRUE(PatchWindowSize(frame, window));
    EXPECT_EQ(window, 1ull << 30);
    bool applied = true;
    Apply({}, frame, kDefaultWindowLogCap, 0, applied);
    EXPECT_FALSE(applied);
    // The same frame with a cap that admits its window decodes (to nothing).
    Apply({}, frame, 30, 0, applied);
    EXPECT_TRUE(applied);
}

} // namespace
