#include "signed_update.h"

#include <filesystem>
#include <string>
#include <vector>

namespace {

using Strings = std::vector<std::string>;

// The signed updater of the other tests, built for https://localhost and trusting only the
// authority that make_certificates.sh makes afresh for each test.
class HttpsUpdate : public SignedUpdateTest {
  protected:
    std::string UpdaterProgram() const override { return E2E_HTTPS_UPDATER; }
    void SetUp() override {
        SignedUpdateTest::SetUp();
        std::filesystem::create_directories(E2E_TLS_FOLDER);
        RunTool({"sh", E2E_MAKE_CERTIFICATES, E2E_TLS_FOLDER});
        PublishSigned();
    }
};

TEST_F(HttpsUpdate, InstallsFromAServerWithATrustedCertificate) {
    StartTlsServer("localhost");
    // The authority is built in: its file is not needed where the updater runs.
    const std::string authority = std::string(E2E_TLS_FOLDER) + "ca.pem";
    std::filesystem::rename(authority, authority + ".aside");
    const UpdaterRun run = RunUpdater();
    std::filesystem::rename(authority + ".aside", authority);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(ServerLog(), (Strings{"GET /record.xml", "GET /record.xml.minisig",
                                    "GET /1.0.1.zip.minisig", "GET /1.0.1.zip"}));
    EXPECT_EQ(ReadConfig(), WithRecordTime(ConfigText("1.0.1", "main", "1.0.0")));
    EXPECT_EQ(Listing(Inst()), (Strings{"1.0.0/", "1.0.1/", "config.xml", "updater"}));
}

class UntrustedServer : public HttpsUpdate, public testing::WithParamInterface<const char*> {};

TEST_P(UntrustedServer, IsNotAskedForAnything) {
    StartTlsServer(GetParam());
    ExpectNothingInstalled(RunUpdater());
    EXPECT_TRUE(ServerLog().empty());
}

// A certificate for localhost from another authority, and one from the trusted authority for
// another host name.
INSTANTIATE_TEST_SUITE_P(Certificates, UntrustedServer, testing::Values("foreign", "otherhost"));

} // namespace
