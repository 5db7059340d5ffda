#include "app/mirror_list.h"
#include "app/package_pin.h"
#include "app/record_time.h"
#include "app/trusted_comment.h"
#include "markup/xml_doc.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

struct AgeCase {
    const char* comment;
    int64_t newestAccepted;
    RecordAge age;
};

TEST(RecordAge, FromTheTrustedComment) {
    const int64_t now = 1000;
    const AgeCase cases[] = {
        {"timestamp:900\tfile:record.xml\thashed", 900, RecordAge::Current},
        {"timestamp:900\tfile:record.xml", 901, RecordAge::Older},
        {"file:record.xml", 0, RecordAge::Current},
        {"file:record.xml", 1, RecordAge::Older}, // undated, after a dated one was accepted
        {"timestamp:900\texpires:1000", 0, RecordAge::Current},
        {"timestamp:900\texpires:999", 0, RecordAge::Expired},
        {"timestamp:9x", 0, RecordAge::Malformed},
        {"timestamp:900\texpires:", 0, RecordAge::Malformed},
        {"timestamp:-5", 0, RecordAge::Malformed},
        {"timestamp:900 expires:999", 0, RecordAge::Malformed}, // fields are tab-separated
    };
    for (const AgeCase& c : cases) {
        SCOPED_TRACE(c.comment);
        EXPECT_EQ(CheckRecordAge(ParseTrustedComment(c.comment), c.newestAccepted, now), c.age);
    }
}

TEST(TrustedComment, FileNameMustMatchWhenNamed) {
    EXPECT_TRUE(NamesFile(ParseTrustedComment("timestamp:1\tfile:1.0.1.zip\thashed"), "1.0.1.zip"));
    EXPECT_FALSE(NamesFile(ParseTrustedComment("timestamp:1\tfile:1.0.0.zip"), "1.0.1.zip"));
    EXPECT_FALSE(NamesFile(ParseTrustedComment("file:"), "1.0.1.zip"));
    EXPECT_TRUE(NamesFile(ParseTrustedComment("signed by hand"), "1.0.1.zip"));
    EXPECT_EQ(FileNameOfUrl("http://h/a/1.0.1.zip"), "1.0.1.zip");
}

TEST(RecordTime, IsAddedAndOnlyRaised) {
    CXmlDoc config(u"<c>\r\n<Version>1</Version>\r\n</c>");
    EXPECT_EQ(ReadRecordTime(config), 0);
    EXPECT_TRUE(RaiseRecordTime(config, 500));
    EXPECT_EQ(config.text, u"<c>\r\n<Version>1</Version>\r\n<RecordTime>500</RecordTime>\r\n</c>");
    EXPECT_FALSE(RaiseRecordTime(config, 499));
    EXPECT_FALSE(RaiseRecordTime(config, 500));
    EXPECT_TRUE(RaiseRecordTime(config, 501));
    EXPECT_EQ(ReadRecordTime(config), 501);
    config.RewindChildren();
    EXPECT_TRUE(config.LocateChild(u"Version"));
}

TEST(PackagePin, ReadsOnlyWellFormedAttributes) {
    const std::string hash(128, 'a');
    const struct {
        std::string package;
        PinState state;
    } cases[] = {
        {"", PinState::Absent},
        {"<Package size=\"12\" blake2b=\"" + hash + "\"/>", PinState::Pinned},
        {"<Package size=\"12\" blake2b=\"" + std::string(128, 'A') + "\"/>", PinState::Malformed},
        {"<Package size=\"12\" blake2b=\"" + hash.substr(1) + "\"/>", PinState::Malformed},
        {"<Package size=\"-1\" blake2b=\"" + hash + "\"/>", PinState::Malformed},
        {"<Package blake2b=\"" + hash + "\"/>", PinState::Malformed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.package);
        const std::string text = "<r><Version>1.0.1</Version>" + c.package + "</r>";
        CXmlDoc record(std::u16string(text.begin(), text.end()));
        PackagePin pin;
        EXPECT_EQ(ReadPackagePin(record, pin), c.state);
        if (c.state == PinState::Pinned) {
            EXPECT_EQ(pin.size, 12u);
            EXPECT_EQ(LowerHex(pin.blake2b.data(), pin.blake2b.size()), hash);
            EXPECT_EQ(PackagePinElement(pin), std::u16string(c.package.begin(), c.package.end()));
        }
    }
}

TEST(Mirrors, SplitAndOrderedFromTheOneThatAnswered) {
    const std::vector<std::string> bases = SplitBaseUrls(" http://a/  http://b/ http://c/");
    EXPECT_EQ(bases, (std::vector<std::string>{"http://a/", "http://b/", "http://c/"}));
    EXPECT_EQ(StartingWith(bases, "http://b/"),
              (std::vector<std::string>{"http://b/", "http://a/", "http://c/"}));
}

} // namespace
