#include "delta/delta_manifest.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::string kHash(128, 'a');

std::string Manifest(const std::string& entries, const std::string& root = "<folder path=\".\" mode=\"755\"/>") {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<delta from=\"1.0.0\" to=\"1.0.1\">\n" +
           root + "\n" + entries + "</delta>\n";
}

std::string File(const std::string& path, const std::string& source = "source=\"whole\"") {
    return "<file path=\"" + path + "\" size=\"3\" mode=\"644\" time=\"1700000000\" blake2b=\"" +
           kHash + "\" " + source + "/>\n";
}

DeltaEntry Entry(DeltaEntryKind kind, const std::string& path, unsigned mode, std::time_t time) {
    DeltaEntry entry;
    entry.kind = kind;
    entry.path = path;
    entry.mode = mode;
    entry.time = time;
    entry.size = 12;
    return entry;
}

TEST(DeltaManifest, WrittenManifestReadsBackEntryForEntry) {
    DeltaManifest manifest{"1.0.0", "1.0.1 & <b>", {}};
    manifest.entries.push_back(Entry(DeltaEntryKind::Folder, ".", 0755, 0));
    manifest.entries.push_back(Entry(DeltaEntryKind::Folder, "lib \"x\"", 0700, 0));
    DeltaEntry same = Entry(DeltaEntryKind::File, "lib \"x\"/a&b", 0755, 1700000002);
    same.hash[3] = 0xAB;
    same.source = DeltaSource::Same;
    same.from = "old/a&b";
    manifest.entries.push_back(same);
    DeltaEntry patch = same;
    patch.path = "größe";
    patch.source = DeltaSource::Patch;
    manifest.entries.push_back(patch);
    DeltaEntry whole = same;
    whole.path = "whole";
    whole.source = DeltaSource::Whole;
    whole.from.clear();
    manifest.entries.push_back(whole);
    DeltaEntry link = Entry(DeltaEntryKind::Link, "current", 0, 1700000004);
    link.target = "lib \"x\"/a&b";
    manifest.entries.push_back(link);

    const std::string text = WriteManifest(manifest);
    DeltaManifest read;
    ASSERT_TRUE(ReadManifest(text, read)) << text;
    EXPECT_EQ(read.fromVersion, manifest.fromVersion);
    EXPECT_EQ(read.toVersion, manifest.toVersion);
    EXPECT_EQ(WriteManifest(read), text);
    ASSERT_EQ(read.entries.size(), manifest.entries.size());
    EXPECT_EQ(read.entries[2].hash, same.hash);
    EXPECT_EQ(read.entries[3].path, "größe");
    EXPECT_EQ(read.entries[3].source, DeltaSource::Patch);
    EXPECT_EQ(read.entries[5].target, link.target);
}

TEST(DeltaManifest, UnsoundManifestsAreRefused) {
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"no version folder first", Manifest(File("a"), "")},
        {"version folder twice", Manifest("<folder path=\".\" mode=\"755\"/>")},
        {"climbs out", Manifest(File("../a"))},
        {"absolute", Manifest(File("/a"))},
        {"dot component", Manifest(File("./a"))},
        {"empty component", Manifest("<folder path=\"a\" mode=\"755\"/>" + File("a//b"))},
        {"folder not listed before", Manifest(File("a/b") + "<folder path=\"a\" mode=\"755\"/>")},
        {"inside a file", Manifest(File("a") + File("a/b"))},
        {"listed twice", Manifest(File("a") + File("a"))},
        {"unknown source", Manifest(File("a", "source=\"diff\""))},
        {"same without from", Manifest(File("a", "source=\"same\""))},
        {"from climbs out", Manifest(File("a", "source=\"patch\" from=\"../x\""))},
        {"short hash", Manifest("<file path=\"a\" size=\"3\" mode=\"644\" time=\"1\" blake2b=\"ab\" source=\"whole\"/>")},
        {"upper-case hash", Manifest("<file path=\"a\" size=\"3\" mode=\"644\" time=\"1\" blake2b=\"" + std::string(128, 'A') + "\" source=\"whole\"/>")},
        {"size not a number", Manifest("<file path=\"a\" size=\"-3\" mode=\"644\" time=\"1\" blake2b=\"" + kHash + "\" source=\"whole\"/>")},
        {"mode not octal", Manifest("<folder path=\"a\" mode=\"8\"/>")},
        {"unknown element", Manifest("<device path=\"a\" time=\"1\"/>")},
        {"link out of the installation", Manifest("<link path=\"a\" target=\"../../etc\" time=\"1\"/>")},
        {"ill-formed", Manifest("<folder path=\"a\" mode=\"755\">")},
        {"no entries", "<delta from=\"1.0.0\" to=\"1.0.1\"></delta>"},
        {"no versions", "<delta><folder path=\".\" mode=\"755\"/></delta>"},
    };
    for (const auto& [what, text] : cases) {
        DeltaManifest manifest;
        EXPECT_FALSE(ReadManifest(text, manifest)) << what;
    }
    DeltaManifest sound;
    EXPECT_TRUE(ReadManifest(Manifest("<folder path=\"a\" mode=\"755\"/>" + File("a/b") +
                                      "<link path=\"a/c\" target=\"../../1.0.0/x\" time=\"1\"/>"),
                             sound));
}

TEST(DeltaManifest, FileNameNamesBothVersions) {
    EXPECT_EQ(DeltaFileName("1.0.2", "1.0.1"), "1.0.2.from-1.0.1.zip");
}

} // namespace
