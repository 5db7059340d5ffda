#include "signed_update.h"

#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Strings = std::vector<std::string>;

const Strings kRecordOnly = {"GET /record.xml", "GET /record.xml.minisig"};
const Strings kUpToPackageSignature = {"GET /record.xml", "GET /record.xml.minisig",
                                       "GET /1.0.1.zip.minisig"};
const Strings kEverything = {"GET /record.xml", "GET /record.xml.minisig",
                             "GET /1.0.1.zip.minisig", "GET /1.0.1.zip"};

class SignedUpdate : public SignedUpdateTest, public testing::WithParamInterface<bool> {};

TEST_P(SignedUpdate, InstallsAndCommits) {
    PublishSigned(GetParam());
    StartServer();
    const UpdaterRun run = RunUpdater();
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(ServerLog(), kEverything);
    EXPECT_EQ(ReadConfig(), WithRecordTime(ConfigText("1.0.1", "main", "1.0.0")));
    EXPECT_EQ(Listing(Inst()), (Strings{"1.0.0/", "1.0.1/", "config.xml", "updater"}));
}

INSTANTIATE_TEST_SUITE_P(HashedAndLegacy, SignedUpdate, testing::Bool());

struct Tampering {
    const char* name;
    std::function<void(SignedUpdateTest&, const std::string& served)> apply;
    Strings requests;

    friend void PrintTo(const Tampering& tampering, std::ostream* out) { *out << tampering.name; }
};

void Append(const std::string& path, const std::string& bytes) {
    WriteFileBytes(path, ReadFileBytes(path) + bytes);
}

void Truncate(const std::string& path) {
    const std::string bytes = ReadFileBytes(path);
    WriteFileBytes(path, bytes.substr(0, bytes.size() / 2));
}

// Replaces the trusted comment's text while keeping its global signature.
void ChangeTrustedComment(const std::string& path) {
    std::string bytes = ReadFileBytes(path);
    const size_t at = bytes.find("trusted comment: timestamp");
    ASSERT_NE(at, std::string::npos);
    bytes.replace(at, 26, "trusted comment: timestamq");
    WriteFileBytes(path, bytes);
}

class RefusedUpdate : public SignedUpdateTest, public testing::WithParamInterface<Tampering> {};

TEST_P(RefusedUpdate, InstallsNothing) {
    PublishSigned();
    GetParam().apply(*this, Served());
    StartServer();
    ExpectNothingInstalled(RunUpdater());
    EXPECT_EQ(ServerLog(), GetParam().requests);
}

const Tampering kTamperings[] = {
    {"RecordSignatureMissing",
     [](SignedUpdateTest&, const std::string& s) { fs::remove(s + "record.xml.minisig"); },
     kRecordOnly},
    {"RecordSignedByAnotherKey",
     [](SignedUpdateTest& t, const std::string&) { t.Sign({"record.xml"}, "other"); },
     kRecordOnly},
    {"RecordChangedAfterSigning",
     [](SignedUpdateTest&, const std::string& s) { Append(s + "record.xml", "\n"); }, kRecordOnly},
    {"RecordSignatureTruncated",
     [](SignedUpdateTest&, const std::string& s) { Truncate(s + "record.xml.minisig"); },
     kRecordOnly},
    {"RecordSignatureOf10MiB",
     [](SignedUpdateTest&, const std::string& s) {
         Append(s + "record.xml.minisig", std::string(10 << 20, 'A'));
     },
     kRecordOnly},
    {"RecordTrustedCommentChanged",
     [](SignedUpdateTest&, const std::string& s) { ChangeTrustedComment(s + "record.xml.minisig"); },
     kRecordOnly},
    {"PackageSignatureMissing",
     [](SignedUpdateTest&, const std::string& s) { fs::remove(s + "1.0.1.zip.minisig"); },
     kUpToPackageSignature},
    {"PackageSignedByAnotherKey",
     [](SignedUpdateTest& t, const std::string&) { t.Sign({"1.0.1.zip"}, "other"); },
     kUpToPackageSignature},
    {"PackageChangedAfterSigning",
     [](SignedUpdateTest&, const std::string& s) { Append(s + "1.0.1.zip", "x"); }, kEverything},
    {"PackageSignatureTruncated",
     [](SignedUpdateTest&, const std::string& s) { Truncate(s + "1.0.1.zip.minisig"); },
     kUpToPackageSignature},
};

INSTANTIATE_TEST_SUITE_P(Signatures, RefusedUpdate, testing::ValuesIn(kTamperings),
                         [](const testing::TestParamInfo<Tampering>& tampering) {
                             return std::string(tampering.param.name);
                         });

} // namespace
