#include "app/package_layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

ZipEntryInfo Entry(std::string name) {
    ZipEntryInfo info;
    info.isFolder = name.ends_with('/');
    info.name = std::move(name);
    return info;
}

struct LayoutCase {
    const char* what;
    std::vector<std::string> names;
    bool sound;
};

const std::vector<LayoutCase> kLayoutCases = {
    {"files and folders beneath the version", {"1.0.1/", "1.0.1/main", "1.0.1/data/x"}, true},
    {"no folder entries at all", {"1.0.1/main", "1.0.1/data/x", "1.0.1/data/y"}, true},
    {"a folder listed before and after its files", {"1.0.1/a/x", "1.0.1/a/", "1.0.1/a/y"}, true},
    {"no entries", {}, true},
    {"a file at the top", {"1.0.1/main", "config.xml"}, false},
    {"another top folder", {"1.0.1/main", "1.0.0/main"}, false},
    {"a top folder that only starts like the version", {"1.0.10/main"}, false},
    {"a file named as the version", {"1.0.1"}, false},
    {"an empty component", {"1.0.1//main"}, false},
    {"a dot component", {"1.0.1/./main"}, false},
    {"the same file twice", {"1.0.1/main", "1.0.1/main"}, false},
    {"names that differ in case", {"1.0.1/Main", "1.0.1/main"}, false},
    {"folders that differ in case", {"1.0.1/Data/x", "1.0.1/data/y"}, false},
    {"a file and a folder of one name", {"1.0.1/data", "1.0.1/data/x"}, false},
    {"a top folder that differs in case", {"1.0.1/main", "1.0.1/A", "1.0.1/a/"}, false},
    {"the updater beside the version", {"1.0.1/main", "updater"}, true},
    {"the updater alone", {"updater"}, true},
    {"the updater twice", {"1.0.1/main", "updater", "updater"}, false},
    {"the updater's name in another case", {"1.0.1/main", "Updater"}, false},
    {"the updater's name as a folder", {"1.0.1/main", "updater/"}, false},
    {"the updater within the version", {"1.0.1/main", "1.0.1/updater"}, true},
    {"another file beside the updater", {"updater", "updater2"}, false},
};

TEST(IsPackageLayoutSound, Table) {
    for (const LayoutCase& c : kLayoutCases) {
        std::vector<ZipEntryInfo> entries;
        for (const std::string& name : c.names)
            entries.push_back(Entry(name));
        EXPECT_EQ(IsPackageLayoutSound(entries, "1.0.1", "updater"), c.sound) << c.what;
        // Without an updater's name allowed, no top-level file is.
        const bool atTop = std::any_of(c.names.begin(), c.names.end(), [](const std::string& n) {
            return n.starts_with("updater") || n.starts_with("Updater");
        });
        EXPECT_EQ(IsPackageLayoutSound(entries, "1.0.1", ""), c.sound && !atTop) << c.what;
    }
}

} // namespace
