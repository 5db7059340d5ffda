#include "e2e_support.h"

#include "platform/installation_lock.h"

#include <ostream>
#include <string>
#include <vector>

namespace {

using Strings = std::vector<std::string>;

struct UpdaterBuild {
    const char* name;
    const char* program;
};

void PrintTo(const UpdaterBuild& build, std::ostream* out) {
    *out << build.name;
}

// Builds that cannot load a library the update check needs: libcurl, or libsodium in a build
// with a signing key.
class MissingLibrary : public EndToEndTest, public testing::WithParamInterface<UpdaterBuild> {
  protected:
    std::string UpdaterProgram() const override { return GetParam().program; }
};

TEST_P(MissingLibrary, OnlyStartsTheMainProgram) {
    const std::string config = ConfigText("1.0.0", "main", "0.9.0");
    WriteConfig(config);
    AddMainProgram("1.0.0");
    AddMainProgram("0.9.0");
    Publish("1.0.1");
    StartServer();

    const UpdaterRun run = RunUpdater();
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.standardError, "");
    EXPECT_EQ(WaitForStarts(), Strings{StartLine("1.0.0", Inst() + "1.0.0/main")});
    EXPECT_EQ(ReadConfig(), config);
    EXPECT_EQ(Listing(Inst()), (Strings{"0.9.0/", "1.0.0/", "config.xml", "updater"}));
    EXPECT_EQ(ServerLog(), Strings{});
    CInstallationLock after;
    EXPECT_TRUE(after.Create(Inst()));
}

INSTANTIATE_TEST_SUITE_P(, MissingLibrary,
                         testing::Values(UpdaterBuild{"Curl", E2E_NO_CURL_UPDATER},
                                         UpdaterBuild{"Sodium", E2E_NO_SODIUM_UPDATER}),
                         [](const testing::TestParamInfo<UpdaterBuild>& build) {
                             return std::string(build.param.name);
                         });

} // namespace
