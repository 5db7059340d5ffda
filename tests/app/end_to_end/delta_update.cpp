#include "delta_update.h"

#include <filesystem>
#include <random>

namespace fs = std::filesystem;

namespace {

std::string RandomText(size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string text(size, '\0');
    for (char& c : text)
        c = static_cast<char>('a' + random() % 26);
    return text;
}

} // namespace

void DeltaUpdateTest::SetUp() {
    SignedUpdateTest::SetUp();
    const std::string key = std::string(E2E_KEYS) + "publisher.key";
    const std::string old = PackageSource("1.0.0", "main");
    const std::string blob = RandomText(200000, 7);
    WriteFileBytes(old + "data/blob", blob);
    WriteFileBytes(old + "data/unchanged", "the same in both versions\n");
    const std::string oldOut = Root() + "published-1.0.0/";
    fs::create_directories(oldOut);
    RunTool({E2E_PUBLISH, "--sign", key, old, "1.0.0", oldOut});
    fs::remove_all(Inst() + "1.0.0");
    RunTool({"unzip", "-q", oldOut + "1.0.0.zip", "-d", Inst()});

    const std::string changed = PackageSource("1.0.1", "main");
    WriteFileBytes(changed + "data/blob", blob.substr(0, 100000) + "1.0.1" + blob.substr(100000));
    WriteFileBytes(changed + "data/unchanged", "the same in both versions\n");
    WriteFileBytes(changed + "data/added", RandomText(3000, 8));
    fs::create_symlink("blob", changed + "data/current");
    RunTool({E2E_PUBLISH, "--sign", key, "--delta-from", old, "1.0.0", changed, "1.0.1", Served()});

    m_pristine = Root() + "pristine/";
    fs::create_directories(m_pristine);
    fs::copy(Inst(), m_pristine + "inst", fs::copy_options::recursive);
    fs::copy(Served(), m_pristine + "served", fs::copy_options::recursive);
}

void DeltaUpdateTest::Restore() {
    for (const auto& [folder, copy] : {std::pair{Inst(), std::string("inst")},
                                       std::pair{Served(), std::string("served")}}) {
        fs::remove_all(folder);
        fs::copy(m_pristine + copy, folder, fs::copy_options::recursive);
    }
}

std::map<std::string, std::string> DeltaUpdateTest::InstalledTree(const std::string& folder) {
    std::map<std::string, std::string> tree = Snapshot(folder);
    for (auto& [path, entry] : tree)
        if (entry.ends_with(" folder"))
            entry = entry.substr(0, entry.find(' ')) + " folder";
    return tree;
}
