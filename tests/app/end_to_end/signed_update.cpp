#include "signed_update.h"

void SignedUpdateTest::SetUp() {
    EndToEndTest::SetUp();
    WriteConfig(ConfigText("1.0.0", "main", ""));
    AddMainProgram("1.0.0");
}

void SignedUpdateTest::Sign(const std::vector<std::string>& files, const std::string& key,
                            bool legacy) {
    std::vector<std::string> argv = {"minisign", "-S", "-s", E2E_KEYS + key + ".key", "-m"};
    for (const std::string& file : files)
        argv.push_back(Served() + file);
    if (legacy)
        argv.push_back("-l");
    RunTool(argv);
}

void SignedUpdateTest::PublishSigned(bool legacy) {
    Publish("1.0.1");
    Sign({"record.xml", "1.0.1.zip"}, "publisher", legacy);
}

void SignedUpdateTest::ExpectNothingInstalled(const UpdaterRun& run) {
    EXPECT_TRUE(run.finished);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(WaitForStarts(),
              std::vector<std::string>{StartLine("1.0.0", Inst() + "1.0.0/main")});
    EXPECT_EQ(ReadConfig(), ConfigText("1.0.0", "main", ""));
    EXPECT_EQ(Listing(Inst()), (std::vector<std::string>{"1.0.0/", "config.xml", "updater"}));
    EXPECT_TRUE(Listing(StartFolder()).empty());
}

std::string SignedUpdateTest::RecordTimeOfServedRecord() const {
    const std::string signature = ReadFileBytes(Served() + "record.xml.minisig");
    const size_t at = signature.find("timestamp:") + 10;
    return signature.substr(at, signature.find('\t', at) - at);
}

std::string SignedUpdateTest::WithRecordTime(std::string config) const {
    config.insert(config.rfind("</Config>"),
                  "<RecordTime>" + RecordTimeOfServedRecord() + "</RecordTime>\r\n");
    return config;
}
