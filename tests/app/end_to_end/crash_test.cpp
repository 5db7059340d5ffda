// One update from 1.0.0 to 1.0.1, interrupted at single system calls under strace: killed on
// entry to a call, or the call failing. After each, config.xml must name a complete version,
// the updater file must be the old or the new one, and two more starts must finish the update
// and leave nothing else behind. The update is made with and without a new updater.
#include "crash_support.h"
#include "e2e_support.h"

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Strings = std::vector<std::string>;

class CrashTest : public EndToEndTest {
  protected:
    void SetUp() override {
        EndToEndTest::SetUp();
        WriteConfig(ConfigText("1.0.0", "main", ""));
        AddMainProgram("1.0.0");
        m_updaters.insert(ReadFileBytes(Inst() + "updater"));
        PublishUpdate();
        StartServer({"--lifetime", "600"});
        m_pristine = Root() + "pristine/";
        fs::copy(Inst(), m_pristine, fs::copy_options::recursive);
        m_trees["1.0.0"] = Contents(Snapshot(Inst() + "1.0.0"));
        // The version as an uninterrupted update installs it.
        ASSERT_TRUE(RunUpdater().finished);
        ASSERT_EQ(ReadConfig(), ConfigText("1.0.1", "main", "1.0.0"));
        m_trees["1.0.1"] = Contents(Snapshot(Inst() + "1.0.1"));
        m_newUpdater = ReadFileBytes(Inst() + "updater");
        m_updaters.insert(m_newUpdater);
        Restore();
    }

    virtual void PublishUpdate() { Publish("1.0.1"); }

    // The installation as it was before the update. Files are linked, not copied: the updater
    // never writes into an existing file, and a test that it did would see the copy change.
    void Restore() {
        fs::remove_all(Inst());
        fs::copy(m_pristine, Inst(),
                 fs::copy_options::recursive | fs::copy_options::create_hard_links);
    }

    // The calls of one uninterrupted update that touch the installation, from the first call
    // that names its folder on.
    std::vector<Call> TracedCalls() {
        const std::string log = Root() + "trace.log";
        Strace({"-o", log, "-e", std::string("trace=") + kFileCalls});
        std::vector<Call> calls = ParseTrace(ReadFileBytes(log));
        Restore();
        const auto first = std::find_if(calls.begin(), calls.end(), [&](const Call& call) {
            return call.line.find(Inst()) != std::string::npos;
        });
        return {first, calls.end()};
    }

    void Strace(const std::vector<std::string>& options) {
        std::vector<std::string> argv = {"strace", "-qq"};
        argv.insert(argv.end(), options.begin(), options.end());
        argv.push_back(Inst() + "updater");
        // LeakSanitizer cannot work under a tracer.
        ASSERT_TRUE(RunProgram(argv, {"ASAN_OPTIONS=detect_leaks=0"}).finished);
    }

    // config.xml names a version whose folder is whole; then two more starts finish the update
    // and leave nothing but the new version, config.xml and the updater's own files.
    void ExpectRecoverable(const std::string& what) {
        SCOPED_TRACE(what);
        const std::string version = VersionIn(ReadConfig());
        ASSERT_TRUE(m_trees.contains(version)) << ReadConfig();
        EXPECT_EQ(Contents(Snapshot(Inst() + version)), m_trees[version]);
        ASSERT_TRUE(m_updaters.contains(ReadFileBytes(Inst() + "updater")));
        for (int start = 0; start < 2; ++start) {
            ASSERT_TRUE(RunUpdater().finished);
            WaitForProgramsToEnd();
        }
        EXPECT_EQ(ReadConfig(), ConfigText("1.0.1", "main", ""));
        EXPECT_EQ(Contents(Snapshot(Inst() + "1.0.1")), m_trees["1.0.1"]);
        EXPECT_TRUE(ReadFileBytes(Inst() + "updater") == m_newUpdater);
        Strings listing;
        for (const std::string& name : Listing(Inst()))
            if (name != ".updater-lock")
                listing.push_back(name);
        EXPECT_EQ(listing, (Strings{"1.0.1/", "config.xml", "updater"}));
    }

    // The started main programs write one line and end; a folder they still run from is kept.
    void WaitForProgramsToEnd() { std::this_thread::sleep_for(std::chrono::milliseconds(30)); }

    // Runs one update interrupted at each of the calls, in turn as each of injects says, and
    // checks the outcome.
    void TryEach(const std::vector<Call>& calls, const Strings& injects) {
        int tried = 0;
        for (size_t i = 0; i < calls.size(); i += kCrashPointStride) {
            const Call& call = calls[i];
            const std::string at = call.name + ":" + injects[tried % injects.size()] +
                                   ":when=" + std::to_string(call.occurrence);
            Strace({"-o", "/dev/null", "-e", "trace=" + call.name, "-e", "inject=" + at});
            ExpectRecoverable(at + "  " + call.line);
            Restore();
            ++tried;
            if (HasFatalFailure() || HasFailure())
                break;
        }
        RecordProperty("calls_tried", tried);
        EXPECT_GT(tried, 0);
    }

    void ExpectOnDiskBeforeCommit(bool newUpdater);

    std::string m_pristine;
    std::map<std::string, Tree> m_trees;
    std::set<std::string> m_updaters; // the old updater file and the one the update leaves
    std::string m_newUpdater;
};

// The package also carries a new updater: a copy of the build without debugging sections.
class CrashWithNewUpdaterTest : public CrashTest {
  protected:
    void PublishUpdate() override {
        const std::string successor = Root() + "successor";
        RunTool({"strip", "-o", successor, Inst() + "updater"});
        WriteRecord("<?xml version=\"1.0\"?>\n<Record>\n  <Version>1.0.1</Version>\n</Record>\n");
        MakePackage("1.0.1.zip", {"1.0.1", PackageSource("1.0.1", "main"), "--top-file",
                                  "updater", successor});
    }
};

TEST_F(CrashTest, KilledAtAnyFileCall) {
    const std::vector<Call> calls = TracedCalls();
    ASSERT_GT(calls.size(), 20u);
    TryEach(calls, {"signal=SIGKILL"});
}

std::vector<Call> WritesFsyncsRenamesMkdirsAndCloses(const std::vector<Call>& traced) {
    std::vector<Call> calls;
    for (const Call& call : traced)
        if (std::set<std::string>{"write", "fsync", "syncfs", "rename", "mkdir", "close"}.contains(
                call.name))
            calls.push_back(call);
    return calls;
}

TEST_F(CrashTest, AnyWriteFsyncRenameMkdirOrCloseFailing) {
    TryEach(WritesFsyncsRenamesMkdirsAndCloses(TracedCalls()), {"error=ENOSPC", "error=EIO"});
}

// Up to the new updater's extraction the update runs as without one: the calls from there on.
std::vector<Call> FromTheNewUpdater(const std::vector<Call>& calls) {
    const auto first = std::find_if(calls.begin(), calls.end(), [](const Call& call) {
        return call.line.find("/.staging/updater\"") != std::string::npos;
    });
    return {first, calls.end()};
}

TEST_F(CrashWithNewUpdaterTest, KilledAtAnyFileCall) {
    TryEach(FromTheNewUpdater(TracedCalls()), {"signal=SIGKILL"});
}

TEST_F(CrashWithNewUpdaterTest, AnyWriteFsyncRenameMkdirOrCloseFailing) {
    TryEach(WritesFsyncsRenamesMkdirsAndCloses(FromTheNewUpdater(TracedCalls())),
            {"error=ENOSPC", "error=EIO"});
}

// Every file and folder of the new version reaches the disk before config.xml names it: a
// flush of the file system after the last write into the staged tree, the tree (and a new
// updater) renamed into place, the installation folder flushed, and only then config.xml replaced.
void CrashTest::ExpectOnDiskBeforeCommit(bool newUpdater) {
    const std::string log = Root() + "durable.log";
    Strace({"-y", "-o", log, "-e", std::string("trace=") + kFileCalls});
    const std::vector<Call> calls = ParseTrace(ReadFileBytes(log));
    const std::string staged = Inst() + ".staging/1.0.1";
    const std::string folder = Inst().substr(0, Inst().size() - 1);
    auto find = [&](size_t from, auto predicate) {
        for (size_t i = from; i < calls.size(); ++i)
            if (predicate(calls[i]))
                return i;
        return calls.size();
    };
    auto renameOf = [&](const std::string& path) {
        return find(0, [&](const Call& c) {
            return c.name.starts_with("rename") && c.line.find("\"" + path + "\"") != std::string::npos;
        });
    };
    const size_t moved = renameOf(staged);
    const size_t committed = renameOf(Inst() + "config.xml");
    ASSERT_LT(moved, calls.size());
    ASSERT_LT(committed, calls.size());
    ASSERT_LT(moved, committed);
    size_t lastWrite = 0;
    for (size_t i = 0; i < moved; ++i)
        if (calls[i].line.find(Inst() + ".staging/") != std::string::npos &&
            !calls[i].name.starts_with("close") && !calls[i].name.starts_with("unlink"))
            lastWrite = i;
    const size_t flushed =
        find(lastWrite, [](const Call& c) { return c.name == "syncfs" || c.name == "sync"; });
    EXPECT_LT(flushed, moved) << calls[lastWrite].line;
    const size_t folderFlushed = find(moved, [&](const Call& c) {
        return c.name == "fsync" && c.line.find("<" + folder + ">") != std::string::npos;
    });
    EXPECT_LT(folderFlushed, committed);
    const size_t updaterMoved = renameOf(Inst() + ".staging/updater");
    if (newUpdater) {
        EXPECT_LT(moved, updaterMoved);
        EXPECT_LT(updaterMoved, folderFlushed);
    } else {
        EXPECT_EQ(updaterMoved, calls.size());
    }
}

TEST_F(CrashTest, NewVersionIsOnDiskBeforeConfigNamesIt) { ExpectOnDiskBeforeCommit(false); }

TEST_F(CrashWithNewUpdaterTest, NewUpdaterIsOnDiskBeforeConfigNamesItsVersion) {
    ExpectOnDiskBeforeCommit(true);
}

} // namespace
