#include "signed_update.h"

#include <chrono>
#include <ctime>
#include <filesystem>
#include <functional>
#include <ostream>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Strings = std::vector<std::string>;

const Strings kPinnedDownload = {"GET /record.xml", "GET /record.xml.minisig", "GET /1.0.1.zip"};
const Strings kUpToPackageSignature = {"GET /record.xml", "GET /record.xml.minisig",
                                       "GET /1.0.1.zip.minisig"};
const Strings kRecordOnly = {"GET /record.xml", "GET /record.xml.minisig"};

const Strings kInstalled = {"1.0.0/", "1.0.1/", "config.xml", "updater"};
// An interrupted download stays in the staging folder, and nothing else does.
const Strings kPartialKept = {".staging/", "1.0.0/", "config.xml", "updater"};
const Strings kPartialFiles = {"1.0.1.zip.part", "1.0.1.zip.part.etag"};

int64_t Now() {
    return static_cast<int64_t>(std::time(nullptr));
}

std::string Comment(int64_t timestamp, const std::string& rest = "") {
    return "timestamp:" + std::to_string(timestamp) + "\tfile:record.xml" + rest;
}

class SignedRecordTest : public SignedUpdateTest {
  public:
    using SignedUpdateTest::PublishSigned;
    // Publishes 1.0.1 with the publish tool and the publisher's key; blobBytes of random data
    // beside the main program make the package that large.
    void PublishWithTool(const Strings& options = {}, size_t blobBytes = 0) {
        const std::string source = PackageSource("1.0.1", "main");
        std::mt19937 random(23);
        std::string blob(blobBytes, '\0');
        for (char& c : blob)
            c = static_cast<char>(random());
        WriteFileBytes(source + "data/blob", blob);
        Strings argv = {E2E_PUBLISH, "--sign", std::string(E2E_KEYS) + "publisher.key"};
        argv.insert(argv.end(), options.begin(), options.end());
        argv.insert(argv.end(), {source, "1.0.1", Served()});
        RunTool(argv);
    }
    // Signs record.xml by hand with this trusted comment.
    void SignRecord(const std::string& comment) {
        RunTool({"minisign", "-S", "-s", std::string(E2E_KEYS) + "publisher.key", "-m",
                 Served() + "record.xml", "-t", comment});
    }

  protected:
    // nginx logs a request once it is over, which may be after the updater ended: waits a
    // bounded time for count lines.
    Strings ServerLogOf(size_t count) const {
        for (int i = 0; i < 200 && ServerLog().size() < count; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return ServerLog();
    }
    void ExpectInstalled(const UpdaterRun& run) {
        EXPECT_TRUE(run.finished);
        EXPECT_EQ(Listing(Inst()), kInstalled);
        EXPECT_EQ(ReadConfig(), WithRecordTime(ConfigText("1.0.1", "main", "1.0.0")));
    }
};

TEST_F(SignedRecordTest, PinnedPackageNeedsNoSignatureOfItsOwn) {
    PublishWithTool();
    StartServer();
    ExpectInstalled(RunUpdater());
    EXPECT_EQ(ServerLog(), kPinnedDownload);
}

struct Refusal {
    const char* name;
    bool pinned; // published by the publish tool; otherwise by hand with minisign
    std::function<void(SignedRecordTest&, const std::string& served)> apply;
    Strings requests;

    friend void PrintTo(const Refusal& refusal, std::ostream* out) { *out << refusal.name; }
};

class RefusedRecordOrPackage : public SignedRecordTest,
                               public testing::WithParamInterface<Refusal> {};

TEST_P(RefusedRecordOrPackage, InstallsNothing) {
    if (GetParam().pinned)
        PublishWithTool();
    else
        PublishSigned();
    GetParam().apply(*this, Served());
    StartServer();
    ExpectNothingInstalled(RunUpdater());
    EXPECT_EQ(ServerLog(), GetParam().requests);
}

const Refusal kRefusals[] = {
    // A validly signed package of another version, served under this one's name.
    {"PackageSignedUnderAnotherName", false,
     [](SignedRecordTest& t, const std::string& s) {
         fs::rename(s + "1.0.1.zip", s + "1.0.0.zip");
         t.Sign({"1.0.0.zip"});
         fs::rename(s + "1.0.0.zip", s + "1.0.1.zip");
         fs::rename(s + "1.0.0.zip.minisig", s + "1.0.1.zip.minisig");
     },
     kUpToPackageSignature},
    {"RecordSignedUnderAnotherName", false,
     [](SignedRecordTest& t, const std::string&) {
         t.SignRecord("timestamp:" + std::to_string(Now()) + "\tfile:other.xml");
     },
     kRecordOnly},
    {"PinnedPackageWithOneByteChanged", true,
     [](SignedRecordTest&, const std::string& s) {
         std::string bytes = ReadFileBytes(s + "1.0.1.zip");
         bytes[bytes.size() / 2] ^= 1;
         WriteFileBytes(s + "1.0.1.zip", bytes);
     },
     kPinnedDownload},
    {"ExpiredRecord", false,
     [](SignedRecordTest& t, const std::string&) {
         t.SignRecord(Comment(Now() - 100, "\texpires:" + std::to_string(Now() - 10)));
     },
     kRecordOnly},
};

INSTANTIATE_TEST_SUITE_P(Signed, RefusedRecordOrPackage, testing::ValuesIn(kRefusals),
                         [](const testing::TestParamInfo<Refusal>& refusal) {
                             return std::string(refusal.param.name);
                         });

struct Expiry {
    const char* name;
    std::function<void(SignedRecordTest&)> publish;

    friend void PrintTo(const Expiry& expiry, std::ostream* out) { *out << expiry.name; }
};

class ExpiringRecord : public SignedRecordTest, public testing::WithParamInterface<Expiry> {};

TEST_P(ExpiringRecord, IsAcceptedBeforeItExpires) {
    GetParam().publish(*this);
    StartServer();
    ExpectInstalled(RunUpdater());
}

const Expiry kExpiries[] = {
    {"PublishedToExpireTomorrow",
     [](SignedRecordTest& t) {
         t.PublishWithTool({"--expires", "1"});
     }},
    {"SignedByHandWithExpiry",
     [](SignedRecordTest& t) {
         t.PublishSigned();
         t.SignRecord(Comment(Now(), "\texpires:" + std::to_string(Now() + 86400)));
     }},
};

INSTANTIATE_TEST_SUITE_P(Signed, ExpiringRecord, testing::ValuesIn(kExpiries),
                         [](const testing::TestParamInfo<Expiry>& expiry) {
                             return std::string(expiry.param.name);
                         });

TEST_F(SignedRecordTest, OlderRecordIsRefusedAfterANewerOne) {
    // A record of the installed version, signed a minute ago: accepted, nothing to install.
    WriteRecord("<r><Version>1.0.0</Version></r>");
    SignRecord(Comment(Now() - 60));
    StartServer();
    ASSERT_TRUE(RunUpdater().finished);
    const std::string accepted = WithRecordTime(ConfigText("1.0.0", "main", ""));
    EXPECT_EQ(ReadConfig(), accepted);

    // A record of 1.0.1 signed before it is a replay.
    PublishSigned();
    SignRecord(Comment(Now() - 600));
    ASSERT_TRUE(RunUpdater().finished);
    EXPECT_EQ(ReadConfig(), accepted);
    EXPECT_EQ(Listing(Inst()), (Strings{"1.0.0/", "config.xml", "updater"}));
    EXPECT_EQ(ServerLog(), (Strings{"GET /record.xml", "GET /record.xml.minisig", "GET /record.xml",
                                    "GET /record.xml.minisig"}));
}

TEST_F(SignedRecordTest, PackageLongerThanItsPinIsStoppedAtTheSize) {
    PublishWithTool();
    const std::string package = Served() + "1.0.1.zip";
    const size_t pinned = fs::file_size(package);
    const size_t served = pinned + (size_t{32} << 20);
    WriteFileBytes(package, ReadFileBytes(package) + std::string(served - pinned, 'x'));
    StartHttpNginx();
    ExpectNothingInstalled(RunUpdater());
    const Strings log = ServerLogOf(3);
    ASSERT_EQ(log.size(), 3u);
    const std::string prefix = std::to_string(E2E_PORT) + " GET /1.0.1.zip 200 - ";
    ASSERT_EQ(log[2].rfind(prefix, 0), 0u) << log[2];
    EXPECT_LT(std::stoull(log[2].substr(prefix.size())), served);
}

TEST_F(SignedRecordTest, FailedRecordTransferFetchesNoSignature) {
    PublishSigned();
    StartServer({"--cut", "record.xml=10"});
    ExpectNothingInstalled(RunUpdater());
    EXPECT_EQ(ServerLog(), Strings{"GET /record.xml"});
}

TEST_F(SignedRecordTest, TricklingPackageIsAbandoned) {
    PublishWithTool({}, 64 << 10);
    // Far above one byte a second, far below the low-speed limit.
    StartServer({"--trickle", "1.0.1.zip=200"});
    const UpdaterRun run = RunUpdater();
    EXPECT_TRUE(run.finished);
    EXPECT_LT(run.seconds, E2E_STALL_SECONDS + 15.0);
    EXPECT_EQ(ReadConfig(), ConfigText("1.0.0", "main", ""));
    EXPECT_EQ(Listing(Inst()), kPartialKept);
    EXPECT_EQ(Listing(Inst() + ".staging"), kPartialFiles);
}

// The first start's transfer is cut at half by the Python server, which tells the file's
// Last-Modified; the second start asks nginx for the rest with If-Range.
class ResumedDownload : public SignedRecordTest, public testing::WithParamInterface<bool> {};

TEST_P(ResumedDownload, ContinuesOrStartsOver) {
    const bool changedOnTheServer = GetParam();
    PublishWithTool({}, 256 << 10);
    const std::string package = Served() + "1.0.1.zip";
    const size_t size = fs::file_size(package);
    const size_t half = size / 2;
    StartServer({"--cut", "1.0.1.zip=" + std::to_string(half)});
    ASSERT_TRUE(RunUpdater().finished);
    EXPECT_EQ(ReadConfig(), ConfigText("1.0.0", "main", ""));
    EXPECT_EQ(Listing(Inst()), kPartialKept);
    EXPECT_EQ(Listing(Inst() + ".staging"), kPartialFiles);
    EXPECT_EQ(ReadFileBytes(Inst() + ".staging/1.0.1.zip.part"),
              ReadFileBytes(package).substr(0, half));
    StopServer();

    if (changedOnTheServer)
        fs::last_write_time(package, fs::last_write_time(package) - std::chrono::hours(1));
    StartHttpNginx();
    ExpectInstalled(RunUpdater());
    const std::string range = "bytes=" + std::to_string(half) + "-";
    const std::string expected =
        std::to_string(E2E_PORT) + " GET /1.0.1.zip " +
        (changedOnTheServer ? "200 " + range + " " + std::to_string(size)
                            : "206 " + range + " " + std::to_string(size - half));
    // Three requests to each server.
    const Strings log = ServerLogOf(6);
    ASSERT_EQ(log.size(), 6u);
    EXPECT_EQ(log.back(), expected);
}

INSTANTIATE_TEST_SUITE_P(IfRange, ResumedDownload, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& changed) {
                             return changed.param ? "FileChangedOnTheServer" : "FileUnchanged";
                         });

TEST_F(SignedRecordTest, UpdatecheckShowsTheChecksAndThePartialDownload) {
    PublishWithTool({}, 64 << 10);
    const size_t half = fs::file_size(Served() + "1.0.1.zip") / 2;
    StartServer({"--cut", "1.0.1.zip=" + std::to_string(half)});
    ASSERT_TRUE(RunUpdater().finished);
    const std::string base = "http://127.0.0.1:" + std::to_string(E2E_PORT) + "/";
    const UpdaterRun run = RunProgram({E2E_SIGNED_UPDATECHECK, Inst()});
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.status, 0) << run.standardOutput;
    const Strings lines = {
        "trusted comment of " + base + "record.xml.minisig:",
        "  timestamp: " + RecordTimeOfServedRecord() + ", file: \"record.xml\", expires: (never)",
        "  its signature: valid; file name: matches",
        "record age: signed ",
        "record taken from: " + base,
        "package pin: " + std::to_string(fs::file_size(Served() + "1.0.1.zip")) +
            " bytes, BLAKE2b ",
        "partial download: " + Inst() + ".staging/1.0.1.zip.part, " + std::to_string(half) +
            " bytes: would be resumed from byte " + std::to_string(half),
    };
    for (const std::string& line : lines)
        EXPECT_NE(run.standardOutput.find("\n" + line), std::string::npos) << line << "\n"
                                                                           << run.standardOutput;
}

// Mirrors: the first on the TLS port, the second on the test port.
class Mirrors : public SignedRecordTest, public testing::WithParamInterface<bool> {
  protected:
    std::string UpdaterProgram() const override { return E2E_MIRRORS_UPDATER; }
};

TEST_P(Mirrors, SecondServesWhenTheFirstIsDownOrBad) {
    const bool firstAnswers = GetParam();
    PublishSigned();
    if (firstAnswers) {
        // The first holds the same files, but its record is signed by another key.
        const std::string mirror = Root() + "mirror/";
        fs::copy(Served(), mirror);
        fs::copy_file(Served() + "record.xml.minisig", Root() + "good.minisig");
        Sign({"record.xml"}, "other");
        fs::copy_file(Served() + "record.xml.minisig", mirror + "record.xml.minisig",
                      fs::copy_options::overwrite_existing);
        fs::copy_file(Root() + "good.minisig", Served() + "record.xml.minisig",
                      fs::copy_options::overwrite_existing);
        StartHttpNginx(mirror);
    } else {
        StartServer();
    }
    const UpdaterRun run = RunUpdater();
    ExpectInstalled(run);
    if (firstAnswers) {
        EXPECT_EQ(ServerLog().front().rfind(std::to_string(E2E_TLS_PORT) + " GET /record.xml ", 0),
                  0u);
    }
}

INSTANTIATE_TEST_SUITE_P(FirstMirror, Mirrors, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& answers) {
                             return answers.param ? "ServesABadSignature" : "Down";
                         });

} // namespace
