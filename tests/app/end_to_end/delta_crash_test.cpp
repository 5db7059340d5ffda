// One update from 1.0.0 to 1.0.1 by its delta, killed on entry to each call that touches the
// installation: config.xml must name a complete version, and two more starts must finish the
// update and leave nothing else behind.
#include "crash_support.h"
#include "delta_update.h"

#include <filesystem>
#include <thread>

namespace fs = std::filesystem;

namespace {

using Strings = std::vector<std::string>;

class DeltaCrashTest : public DeltaUpdateTest {
  protected:
    void SetUp() override {
        DeltaUpdateTest::SetUp();
        StartServer({"--lifetime", "600"});
        m_trees["1.0.0"] = Contents(Snapshot(Inst() + "1.0.0"));
        ASSERT_TRUE(RunUpdater().finished);
        ASSERT_EQ(ReadConfig(), WithRecordTime(ConfigText("1.0.1", "main", "1.0.0")));
        ASSERT_NE(ServerLog().back(), "GET /1.0.1.zip");
        m_trees["1.0.1"] = Contents(Snapshot(Inst() + "1.0.1"));
        Restore();
    }

    void Strace(const Strings& options) {
        Strings argv = {"strace", "-qq"};
        argv.insert(argv.end(), options.begin(), options.end());
        argv.push_back(Inst() + "updater");
        ASSERT_TRUE(RunProgram(argv, {"ASAN_OPTIONS=detect_leaks=0"}).finished);
    }

    void ExpectRecoverable(const std::string& what) {
        SCOPED_TRACE(what);
        const std::string version = VersionIn(ReadConfig());
        ASSERT_TRUE(m_trees.contains(version)) << ReadConfig();
        EXPECT_EQ(Contents(Snapshot(Inst() + version)), m_trees[version]);
        for (int start = 0; start < 2; ++start) {
            ASSERT_TRUE(RunUpdater().finished);
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
        }
        EXPECT_EQ(ReadConfig(), WithRecordTime(ConfigText("1.0.1", "main", "")));
        EXPECT_EQ(Contents(Snapshot(Inst() + "1.0.1")), m_trees["1.0.1"]);
        EXPECT_EQ(Listing(Inst()), (Strings{"1.0.1/", "config.xml", "updater"}));
    }

    std::map<std::string, Tree> m_trees;
};

TEST_F(DeltaCrashTest, KilledAtAnyFileCall) {
    const std::string log = Root() + "trace.log";
    Strace({"-o", log, "-e", std::string("trace=") + kFileCalls});
    std::vector<Call> calls = ParseTrace(ReadFileBytes(log));
    Restore();
    const auto first = std::find_if(calls.begin(), calls.end(), [&](const Call& call) {
        return call.line.find(Inst()) != std::string::npos;
    });
    ASSERT_GT(calls.end() - first, 20);
    int tried = 0;
    for (size_t i = static_cast<size_t>(first - calls.begin()); i < calls.size() && !HasFailure();
         i += kCrashPointStride, ++tried) {
        const Call& call = calls[i];
        const std::string at = call.name + ":signal=SIGKILL:when=" + std::to_string(call.occurrence);
        Strace({"-o", "/dev/null", "-e", "trace=" + call.name, "-e", "inject=" + at});
        ExpectRecoverable(at + "  " + call.line);
        Restore();
    }
    RecordProperty("calls_tried", tried);
}

} // namespace
