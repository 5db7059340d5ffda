#include "e2e_support.h"

#include <string>
#include <vector>

namespace {

using Strings = std::vector<std::string>;

std::string Record(const std::string& version) {
    return "<Record><Version>" + version + "</Version></Record>";
}

std::string Utf16Le(const std::string& ascii) {
    std::string bytes = "\xFF\xFE";
    for (char c : ascii) {
        bytes += c;
        bytes += '\0';
    }
    return bytes;
}

struct OfferCase {
    const char* name;
    std::string local;
    std::string record;   // record.xml as served
    std::string download; // the package asked for, or nothing
};

const std::vector<OfferCase> kOffers = {
    {"newer third part", "1.2.3", Record("1.2.4"), "1.2.4"},
    {"newer as numbers, not as text", "1.9.9", Record("1.10.0"), "1.10.0"},
    {"equal", "1.2.3", Record("1.2.3"), ""},
    {"equal in value, other text", "1.2.3", Record("1.2.3.0"), ""},
    {"lower", "1.2.3", Record("1.2.2"), ""},
    {"lower first part", "2.0.0", Record("1.99.99"), ""},
    {"fourth part ignored", "1.2.3", Record("1.2.3.4"), ""},
    {"no Version", "1.2.3", "<Record><Other>9.9.9</Other></Record>", ""},
    {"Version nested deeper", "1.2.3", "<Record><a><Version>9.9.9</Version></a></Record>", ""},
    {"not markup", "1.2.3", "9.9.9", ""},
    {"cut at a zero byte", "1.2.3", std::string("<Record>\0<Version>9.9.9</Version></Record>", 42),
     ""},
    {"UTF-16 decoded as the default multi-byte encoding", "1.2.3", Utf16Le(Record("9.9.9")), ""},
    {"longer than the record limit", "1.2.3",
     Record("9.9.9") + "<!--" + std::string(1 << 20, 'x') + "-->", ""},
    {"unsafe: parent folder", "1.2.3", Record("../9.9.9"), ""},
    {"unsafe: slash", "1.2.3", Record("9.9.9/x"), ""},
    {"unsafe: backslash", "1.2.3", Record("9.9.9\\x"), ""},
    {"unsafe: control character", "1.2.3", Record("9.9.9&#9;"), ""},
    {"unsafe: too long", "1.2.3", Record("9.9.9" + std::string(251, 'x')), ""},
    // Safe as a folder name, but its package file name is too long to be created.
    {"longest safe name", "1.2.3", Record("9.9.9" + std::string(250, 'x')), ""},
    {"empty against a negative local version", "-1.0.0", Record(""), ""},
    {"missing against a negative local version", "-1.0.0", "<Record/>", ""},
};

class RemoteVersion : public EndToEndTest {};

TEST_F(RemoteVersion, DownloadsOnlyASafeNewerVersion) {
    StartServer();
    size_t requests = 0;
    for (const OfferCase& c : kOffers) {
        SCOPED_TRACE(c.name);
        const std::string config = ConfigText(c.local, "main", "");
        WriteConfig(config);
        AddMainProgram(c.local);
        WriteRecord(c.record);
        ASSERT_TRUE(RunUpdater().finished);
        // No package is served: an attempted installation fails and config.xml stays.
        EXPECT_EQ(ReadConfig(), config);
        const Strings log = ServerLog();
        ASSERT_GE(log.size(), requests + 1);
        EXPECT_EQ(log[requests], "GET /record.xml");
        if (c.download.empty()) {
            EXPECT_EQ(log.size(), requests + 1);
        } else {
            ASSERT_EQ(log.size(), requests + 2);
            EXPECT_EQ(log[requests + 1], "GET /" + c.download + ".zip");
        }
        requests = log.size();
    }
}

TEST_F(RemoteVersion, VersionTextsAreWrittenAsRead) {
    WriteConfig(ConfigText(" 1.0.3", "main", ""));
    AddMainProgram(" 1.0.3");
    WriteRecord(Record("1.0.04b"));
    MakePackage("1.0.04b.zip", {"1.0.04b", PackageSource("1.0.04b", "main")});
    StartServer();
    ASSERT_TRUE(RunUpdater().finished);
    EXPECT_EQ(ReadConfig(), ConfigText("1.0.04b", "main", " 1.0.3"));
    EXPECT_EQ(Listing(Inst()), (Strings{" 1.0.3/", "1.0.04b/", "config.xml", "updater"}));
}

} // namespace
