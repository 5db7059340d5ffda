#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace fs = std::filesystem;

namespace {

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

int RunCommand(const std::string& command) {
    const int status = std::system((command + " >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class PublishTest : public testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/publish-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root = pattern;
        fs::create_directories(root / "source" / "data");
        fs::create_directories(root / "out");
        WriteBytes(root / "source" / "hello", "#!/bin/sh\necho hello\n");
        fs::permissions(root / "source" / "hello", fs::perms(0755));
        WriteBytes(root / "source" / "data" / "readme.txt", std::string(5000, 'r') + "\n");
        fs::permissions(root / "source" / "data" / "readme.txt", fs::perms(0640));
        fs::create_symlink("hello", root / "source" / "run");
    }
    void TearDown() override { fs::remove_all(root); }

    int Publish(const std::string& version, const std::string& options = "") {
        return RunCommand(std::string(PUBLISH_TOOL) + " " + options + " " +
                          Quoted((root / "source").string()) + " " + Quoted(version) + " " +
                          Quoted((root / "out").string()));
    }
    // Publish into out, keeping what it writes on standard error in errors.
    int PublishInto(const fs::path& out, const std::string& version, const std::string& options,
                    std::string& errors) {
        const fs::path file = root / "errors";
        const int status = RunCommand("{ " + std::string(PUBLISH_TOOL) + " " + options + " " +
                                      Quoted((root / "source").string()) + " " + Quoted(version) +
                                      " " + Quoted(out.string()) + " 2>" + Quoted(file.string()) +
                                      "; }");
        errors = ReadBytes(file);
        return status;
    }

    // A key pair made by minisign, unencrypted: root/key.pub and root/key.sec.
    void MakeKeyPair() {
        ASSERT_EQ(RunCommand("cd " + Quoted(root.string()) + " && minisign -G -W -p key.pub -s key.sec"),
                  0);
    }

    fs::path root;
};

TEST_F(PublishTest, PackageUnpacksToTheVersionFolderWithModesAndTimes) {
    struct tm local {};
    local.tm_year = 2021 - 1900;
    local.tm_mon = 4;
    local.tm_mday = 6;
    local.tm_hour = 7;
    local.tm_min = 8;
    local.tm_sec = 10;
    local.tm_isdst = -1;
    const std::time_t stamp = std::mktime(&local);
    const struct timespec times[2] = {{stamp, 0}, {stamp, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, (root / "source" / "hello").c_str(), times, 0), 0);

    ASSERT_EQ(Publish("2.0.1"), 0);
    ASSERT_EQ(RunCommand("cd " + Quoted((root / "out").string()) + " && unzip -q 2.0.1.zip"), 0);

    const fs::path unpacked = root / "out" / "2.0.1";
    EXPECT_EQ(ReadBytes(unpacked / "hello"), "#!/bin/sh\necho hello\n");
    EXPECT_EQ(ReadBytes(unpacked / "data" / "readme.txt"), std::string(5000, 'r') + "\n");
    EXPECT_EQ(fs::status(unpacked / "hello").permissions() & fs::perms::all, fs::perms(0755));
    EXPECT_EQ(fs::status(unpacked / "data" / "readme.txt").permissions() & fs::perms::all,
              fs::perms(0640));
    ASSERT_TRUE(fs::is_symlink(unpacked / "run"));
    EXPECT_EQ(fs::read_symlink(unpacked / "run"), "hello");

    struct stat status {};
    ASSERT_EQ(stat((unpacked / "hello").c_str(), &status), 0);
    EXPECT_EQ(status.st_mtime, stamp);
    EXPECT_FALSE(fs::exists(root / "out" / "2.0.1.zip.part"));
}

TEST_F(PublishTest, RecordNamesTheVersionEscaped) {
    const struct {
        std::string version;
        std::string written;
    } cases[] = {
        {"2.0.1", "2.0.1"},
        {"3.0.0 beta&<1>", "3.0.0 beta&amp;&lt;1&gt;"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.version);
        ASSERT_EQ(Publish(c.version), 0);
        EXPECT_EQ(ReadBytes(root / "out" / "record.xml"),
                  "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<record>\r\n<Version>" +
                      c.written + "</Version>\r\n</record>\r\n");
        EXPECT_TRUE(fs::exists(root / "out" / (c.version + ".zip")));
    }
}

TEST_F(PublishTest, RefusesVersionsThatAreNotOneFolderName) {
    for (const std::string& version :
         {std::string(), std::string("."), std::string(".."), std::string("1/2"),
          std::string("1\\2"), std::string("1.0\n"), std::string(256, '1')}) {
        SCOPED_TRACE(version);
        EXPECT_EQ(Publish(version), 2);
        EXPECT_TRUE(fs::is_empty(root / "out"));
    }
}

TEST_F(PublishTest, VersionsMustBeginWithThreeNumbers) {
    const struct {
        const char* version;
        int status;
        bool warned;
    } cases[] = {
        {"1.2.0", 0, false},        {"10.20.2147483647", 0, false}, {"1.2.0-beta", 0, true},
        {"1.2.3.4", 0, true},       {"v1.2.0", 2, false},           {"1 .1", 2, false},
        {"1.2", 2, false},          {"1..3", 2, false},             {" 1.2.3", 2, false},
        {"1.2.x", 2, false},        {"+1.2.3", 2, false},           {"1.2.2147483648", 2, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.version);
        std::string message;
        EXPECT_EQ(PublishInto(root / "out", c.version, "", message), c.status);
        EXPECT_EQ(message.find("publish: warning: the updater ignores") == 0, c.warned) << message;
        EXPECT_EQ(message.find("must begin with three numbers") != std::string::npos,
                  c.status == 2)
            << message;
        EXPECT_EQ(fs::exists(root / "out" / (std::string(c.version) + ".zip")), c.status == 0);
    }
}

TEST_F(PublishTest, MissingSourceFolderFailsAndLeavesNothing) {
    fs::remove_all(root / "source");
    EXPECT_EQ(Publish("2.0.1"), 1);
    EXPECT_TRUE(fs::is_empty(root / "out"));
}

TEST_F(PublishTest, SignaturesPassMinisign) {
    MakeKeyPair();
    ASSERT_EQ(Publish("2.0.1", "--sign " + Quoted((root / "key.sec").string())), 0);
    for (const std::string file : {"2.0.1.zip", "record.xml"}) {
        SCOPED_TRACE(file);
        const fs::path signed_file = root / "out" / file;
        EXPECT_EQ(RunCommand("minisign -V -H -p " + Quoted((root / "key.pub").string()) + " -m " +
                             Quoted(signed_file.string())),
                  0);
        // The signature is of this file and of nothing else.
        WriteBytes(signed_file, ReadBytes(signed_file) + " ");
        EXPECT_NE(RunCommand("minisign -V -p " + Quoted((root / "key.pub").string()) + " -m " +
                             Quoted(signed_file.string())),
                  0);
    }
}

TEST_F(PublishTest, UnsignedPublishRemovesTheSignaturesOfTheFilesItReplaces) {
    MakeKeyPair();
    ASSERT_EQ(Publish("2.0.1", "--sign " + Quoted((root / "key.sec").string())), 0);
    std::string errors;
    ASSERT_EQ(PublishInto(root / "out", "2.0.1", "", errors), 0);
    const fs::path out = root / "out";
    EXPECT_EQ(errors, "publish: removed " + (out / "2.0.1.zip.minisig").string() +
                          ": it signed the file that is now replaced unsigned\n"
                          "publish: removed " + (out / "record.xml.minisig").string() +
                          ": it signed the file that is now replaced unsigned\n");
    EXPECT_FALSE(fs::exists(out / "2.0.1.zip.minisig"));
    EXPECT_FALSE(fs::exists(out / "record.xml.minisig"));
    // Another version's signature is not the new files' and stays.
    ASSERT_EQ(Publish("2.0.1", "--sign " + Quoted((root / "key.sec").string())), 0);
    ASSERT_EQ(PublishInto(root / "out", "2.0.2", "", errors), 0);
    EXPECT_TRUE(fs::exists(out / "2.0.1.zip.minisig"));
    EXPECT_FALSE(fs::exists(out / "record.xml.minisig"));
}

TEST_F(PublishTest, NamesAMissingKeyFileOrOutputFolder) {
    std::string errors;
    const fs::path missing = root / "out4" / "deeper";
    EXPECT_EQ(PublishInto(missing, "2.0.1", "", errors), 1);
    EXPECT_EQ(errors, "publish: the output folder " + missing.string() + " does not exist\n");
    EXPECT_FALSE(fs::exists(root / "out4"));
    EXPECT_EQ(PublishInto(root / "out", "2.0.1", "--sign " + Quoted((root / "no.key").string()),
                          errors),
              2);
    EXPECT_EQ(errors,
              "publish: the secret key file " + (root / "no.key").string() + " does not exist\n");
    EXPECT_TRUE(fs::is_empty(root / "out"));
}

TEST_F(PublishTest, SignedRecordPinsThePackageAndMayExpire) {
    MakeKeyPair();
    const std::string sign = "--sign " + Quoted((root / "key.sec").string());
    for (const char* days : {"0", "36501", "x"}) {
        SCOPED_TRACE(days);
        EXPECT_EQ(Publish("2.0.1", sign + " --expires " + days), 2);
    }
    EXPECT_TRUE(fs::is_empty(root / "out"));
    const long long before = std::time(nullptr);
    ASSERT_EQ(Publish("2.0.1", sign + " --expires 2"), 0);
    const fs::path out = root / "out";
    ASSERT_EQ(RunCommand("sh -c " + Quoted("b2sum " + Quoted((out / "2.0.1.zip").string()) + " > " +
                                           Quoted((root / "hash").string()))),
              0);
    const std::string hash = ReadBytes(root / "hash").substr(0, 128);
    EXPECT_NE(ReadBytes(out / "record.xml")
                  .find("<Version>2.0.1</Version>\r\n<Package size=\"" +
                        std::to_string(fs::file_size(out / "2.0.1.zip")) + "\" blake2b=\"" + hash +
                        "\"/>\r\n</record>"),
              std::string::npos)
        << ReadBytes(out / "record.xml");
    const std::string signature = ReadBytes(out / "record.xml.minisig");
    const size_t at = signature.find("\texpires:");
    ASSERT_NE(at, std::string::npos) << signature;
    const long long expires = std::stoll(signature.substr(at + 9));
    EXPECT_GE(expires, before + 2 * 86400);
    EXPECT_LE(expires, std::time(nullptr) + 2 * 86400);
    EXPECT_EQ(RunCommand("minisign -V -p " + Quoted((root / "key.pub").string()) + " -m " +
                         Quoted((out / "record.xml").string())),
              0);
}

TEST_F(PublishTest, RefusesKeysItCannotSignWith) {
    MakeKeyPair();
    const std::string key = ReadBytes(root / "key.sec");
    const size_t line = key.find('\n') + 1;
    // "Ed", "Sc", "B2": a key protected by a password (scrypt).
    std::string damaged = key;
    damaged[line + 100] = damaged[line + 100] == 'A' ? 'B' : 'A'; // within the key's seed
    const struct {
        const char* name;
        std::string text;
    } cases[] = {
        {"encrypted", key.substr(0, line) + "RWRTY0Iy" + key.substr(line + 8)},
        {"damaged", damaged},
        {"public key", ReadBytes(root / "key.pub")},
        {"missing", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.text.empty())
            fs::remove(root / "key.sec");
        else
            WriteBytes(root / "key.sec", c.text);
        EXPECT_EQ(Publish("2.0.1", "--sign " + Quoted((root / "key.sec").string())), 2);
        EXPECT_TRUE(fs::is_empty(root / "out"));
    }
}

} // namespace

namespace {

TEST_F(PublishTest, RefusesUpdatersThatInstallationsWouldRefuse) {
    MakeKeyPair();
    WriteBytes(root / "failing", "#!/bin/sh\nexit 1\n");
    fs::permissions(root / "failing", fs::perms(0755));
    const std::string failing = Quoted((root / "failing").string());
    const std::string cases[] = {
        "--updater " + Quoted(root.string()),
        "--updater " + failing,
        "--updater-name other",
        "--updater " + failing + " --updater-name a/b",
        "--sign " + Quoted((root / "key.sec").string()) + " --updater " +
            Quoted(PUBLISH_TOOL) + " --delta-from " + Quoted((root / "source").string()) + " 2.0.0",
    };
    for (const std::string& options : cases) {
        SCOPED_TRACE(options);
        EXPECT_EQ(Publish("2.0.1", options), 2);
        EXPECT_TRUE(fs::is_empty(root / "out"));
    }
}

} // namespace
