#include "file_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <iterator>
#include <sstream>
#include <sys/stat.h>
#include <vector>

TempFolder::TempFolder() {
    std::string pattern = "/tmp/textfile_test_XXXXXX";
    const char* made = mkdtemp(pattern.data());
    EXPECT_NE(made, nullptr);
    m_path = pattern;
}

TempFolder::~TempFolder() {
    const std::string command =
        "chmod -R u+w '" + m_path + "' 2>/dev/null; rm -rf '" + m_path + "'";
    EXPECT_EQ(std::system(command.c_str()), 0);
}

std::u16string TempFolder::Path16(std::string_view name) const {
    return Widen(Path(name));
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << path;
}

bool FileExists(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0;
}

std::string FolderListing(const std::string& path) {
    std::vector<std::string> names;
    if (DIR* dir = opendir(path.c_str())) {
        while (const dirent* entry = readdir(dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..")
                names.push_back(name);
        }
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    std::string listing;
    for (const std::string& name : names)
        listing += (listing.empty() ? "" : "/") + name;
    return listing;
}

std::string Utf16LEBytes(std::u16string_view text) {
    std::string bytes;
    for (const char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

std::string IconvFromUtf16(std::u16string_view text, const std::string& encoding) {
    const TempFolder folder;
    WriteBytes(folder.Path("in"), Utf16LEBytes(text));
    const std::string command = "iconv -f UTF-16LE -t " + encoding + " '" + folder.Path("in") +
                                "' > '" + folder.Path("out") + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return ReadBytes(folder.Path("out"));
}

std::u16string Widen(std::string_view ascii) {
    return {ascii.begin(), ascii.end()};
}

std::string Narrow(std::u16string_view text) {
    std::string out;
    for (const char16_t c : text) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            std::ostringstream hex;
            hex << "\\u" << std::hex << static_cast<int>(c);
            out += hex.str();
        }
    }
    return out;
}
