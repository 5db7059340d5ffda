#include "delta_update.h"

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Strings = std::vector<std::string>;

const Strings kInstalled = {"1.0.0/", "1.0.1/", "config.xml", "updater"};

// Python that rewrites the served delta's manifest with one hash digit changed, and pins and
// signs the result in the record: a delta that is signed but names a hash its file lacks.
constexpr const char* kRepinWithWrongHash = R"(
import hashlib, re, sys, zipfile
served, name = sys.argv[1], sys.argv[2]
path = served + name
entries = [(i, zipfile.ZipFile(path).read(i.filename)) for i in zipfile.ZipFile(path).infolist()]
with zipfile.ZipFile(path, 'w', zipfile.ZIP_DEFLATED) as out:
    for info, data in entries:
        if info.filename == 'manifest.xml':
            at = data.index(b'path="data/unchanged"')
            at = data.index(b'blake2b="', at) + 9
            data = data[:at] + (b'0' if data[at:at+1] != b'0' else b'1') + data[at+1:]
        out.writestr(info, data)
data = open(path, 'rb').read()
record = open(served + 'record.xml').read()
record = re.sub(r'(<Delta [^>]*size=")\d+(" blake2b=")[0-9a-f]+', lambda m: m.group(1) + str(len(data)) + m.group(2) + hashlib.blake2b(data).hexdigest(), record)
open(served + 'record.xml', 'w').write(record)
)";

class DeltaUpdate : public DeltaUpdateTest {
  protected:
    // The updater run that installs 1.0.1; the installed tree.
    std::map<std::string, std::string> Install() {
        const UpdaterRun run = RunUpdater();
        EXPECT_TRUE(run.finished);
        EXPECT_EQ(ReadConfig(), WithRecordTime(ConfigText("1.0.1", "main", "1.0.0")));
        EXPECT_EQ(Listing(Inst()), kInstalled);
        return InstalledTree(Inst() + "1.0.1");
    }
    std::map<std::string, std::string> InstallFromPackage() {
        Restore();
        fs::remove(Served() + DeltaName());
        return Install();
    }
    void FlipByte(const std::string& path, size_t at) {
        std::string bytes = ReadFileBytes(path);
        bytes[at] = static_cast<char>(bytes[at] ^ 1);
        WriteFileBytes(path, bytes);
    }
};

TEST_F(DeltaUpdate, DeltaInstallsWhatThePackageInstalls) {
    StartServer();
    const auto fromDelta = Install();
    EXPECT_EQ(ServerLog(), (Strings{"GET /record.xml", "GET /record.xml.minisig",
                                    "GET /" + DeltaName()}));
    EXPECT_LT(fs::file_size(m_pristine + "served/" + DeltaName()) * 4,
              fs::file_size(Served() + "1.0.1.zip"));
    EXPECT_EQ(WaitForStarts().size(), 1u);
    EXPECT_EQ(fromDelta, InstallFromPackage());
}

// Whatever goes wrong with the delta, the same run installs the package.
TEST_F(DeltaUpdate, AnyFaultOfTheDeltaFallsBackToThePackage) {
    StartServer();
    const auto expected = InstallFromPackage();
    const std::vector<std::pair<const char*, std::function<void()>>> faults = {
        {"old file changed locally",
         [&] { WriteFileBytes(Inst() + "1.0.0/data/unchanged", "changed here\n"); }},
        {"patched old file changed locally",
         [&] { FlipByte(Inst() + "1.0.0/data/blob", 5); }},
        {"old file missing", [&] { fs::remove(Inst() + "1.0.0/data/unchanged"); }},
        {"one byte of the delta flipped", [&] { FlipByte(Served() + DeltaName(), 100); }},
        {"manifest names a hash that does not match", [&] {
             RunTool({"python3", "-c", kRepinWithWrongHash, Served(), DeltaName()});
             Sign({"record.xml"});
         }},
    };
    for (const auto& [what, fault] : faults) {
        SCOPED_TRACE(what);
        Restore();
        fault();
        EXPECT_EQ(Install(), expected);
        EXPECT_NE(ServerLog().back(), "GET /" + DeltaName()); // the package came after it
    }
}

TEST_F(DeltaUpdate, FailedDeltaWithoutPackageLeavesEverythingAsItWas) {
    FlipByte(Served() + DeltaName(), 100);
    fs::remove(Served() + "1.0.1.zip");
    StartServer();
    const std::string config = ReadConfig();
    const UpdaterRun run = RunUpdater();
    EXPECT_TRUE(run.finished);
    EXPECT_EQ(ReadConfig(), config);
    EXPECT_EQ(Listing(Inst()), (Strings{"1.0.0/", "config.xml", "updater"}));
}

} // namespace

namespace {

TEST_F(DeltaUpdate, UpdatecheckShowsTheDeltaAndAppliesItAside) {
    StartServer();
    const std::string config = ReadConfig();
    const UpdaterRun run = RunProgram({E2E_SIGNED_UPDATECHECK, "--package", Inst()});
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.status, 0) << run.standardOutput;
    EXPECT_NE(run.standardOutput.find("delta: " + DeltaName() + " from 1.0.0, "), std::string::npos)
        << run.standardOutput;
    EXPECT_NE(run.standardOutput.find("delta check: applied into a temporary folder"),
              std::string::npos)
        << run.standardOutput;
    EXPECT_EQ(ReadConfig(), config);
    EXPECT_EQ(Listing(Inst()), (Strings{"1.0.0/", "config.xml", "updater"}));
}

} // namespace
