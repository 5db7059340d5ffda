#include "zip_test_support.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace {

// The helper scripts lie in the folder the tests start in.
const std::string kScriptFolder = fs::current_path().string();

constexpr uid_t kUnprivilegedId = 65534;

std::string JsonString(const std::string& text) {
    std::string json = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            json += '\\';
            json += c;
        } else if (byte < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            json += escaped;
        } else {
            json += c;
        }
    }
    return json + "\"";
}

std::string EntryJson(const ZipLayoutEntry& entry) {
    std::ostringstream json;
    json << "{\"name\":" << JsonString(entry.name) << ",\"method\":" << JsonString(entry.method)
         << ",\"attr\":" << entry.attr << ",\"system\":" << entry.system
         << ",\"comment\":" << JsonString(entry.comment)
         << ",\"zip64\":" << (entry.zip64 ? "true" : "false") << ",\"date\":[";
    for (size_t i = 0; i < entry.date.size(); ++i)
        json << (i ? "," : "") << entry.date[i];
    json << "]";
    if (entry.declaredSize >= 0)
        json << ",\"declared\":" << entry.declaredSize;
    if (entry.randomBytes >= 0)
        json << ",\"random\":" << entry.randomBytes;
    else
        json << ",\"data\":" << JsonString(entry.data);
    return json.str() + "}";
}

std::string SpecJson(const std::string& path, const ZipLayout& layout) {
    std::string json = "{\"out\":" + JsonString(path) +
                       ",\"comment\":" + JsonString(layout.comment) + ",\"entries\":[";
    for (size_t i = 0; i < layout.entries.size(); ++i)
        json += (i ? "," : "") + EntryJson(layout.entries[i]);
    json += "],\"patches\":[";
    for (size_t i = 0; i < layout.patches.size(); ++i)
        json += (i ? "," : "") + std::string("{\"entry\":") +
                std::to_string(layout.patches[i].entry) +
                ",\"what\":" + JsonString(layout.patches[i].what) + "}";
    json += "]";
    if (layout.zip64Limit >= 0)
        json += ",\"zip64_limit\":" + std::to_string(layout.zip64Limit);
    if (layout.manyCount > 0)
        json += ",\"many\":{\"count\":" + std::to_string(layout.manyCount) + "}";
    return json + "}";
}

} // namespace

TempFolder::TempFolder() {
    std::string pattern = (fs::is_directory("/dev/shm") ? "/dev/shm" : "/tmp");
    pattern += "/unzip_test.XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot create a temporary folder");
    m_path = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    fs::remove_all(m_path, ignored);
}

std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

bool RunCommand(const std::string& command) {
    return std::system(command.c_str()) == 0;
}

bool MakeZips(const std::vector<ZipJob>& jobs) {
    if (jobs.empty())
        return true;
    std::string json = "[";
    for (size_t i = 0; i < jobs.size(); ++i)
        json += (i ? "," : "") + SpecJson(jobs[i].path, jobs[i].layout);
    const std::string descriptionPath = jobs.front().path + ".json";
    WriteFileBytes(descriptionPath, json + "]");
    const bool made = RunCommand("python3 " + Quoted(kScriptFolder + "/make_zip.py") + " " +
                                 Quoted(descriptionPath));
    fs::remove(descriptionPath);
    return made;
}

bool MakeZip(const ZipLayout& layout, const std::string& zipPath) {
    return MakeZips({{zipPath, layout}});
}

bool MakeTreeZip(const std::string& treeFolder, const std::string& zipPath,
                 const std::string& zipOptions) {
    return RunCommand("sh " + Quoted(kScriptFolder + "/make_tree_zip.sh") + " " +
                      Quoted(treeFolder) + " " + Quoted(zipPath) + " " + zipOptions);
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::map<std::string, TreeItem> ReadTree(const std::string& root) {
    std::map<std::string, TreeItem> tree;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
        struct stat status {};
        lstat(entry.path().c_str(), &status);
        TreeItem item;
        item.mode = status.st_mode & 07777;
        if (S_ISLNK(status.st_mode)) {
            item.type = 'l';
            item.content = fs::read_symlink(entry.path()).string();
            item.mode = 0;
        } else if (S_ISDIR(status.st_mode)) {
            item.type = 'd';
        } else {
            item.type = 'f';
            item.content = ReadFileBytes(entry.path());
            item.mtime = status.st_mtim.tv_sec;
        }
        tree[entry.path().lexically_relative(root).string()] = item;
    }
    return tree;
}

void PrintTo(const TreeItem& item, std::ostream* out) {
    *out << item.type << " mode " << std::oct << item.mode << std::dec << " mtime " << item.mtime
         << " " << item.content.size() << " bytes";
    if (item.type == 'l')
        *out << " -> " << item.content;
}

UnprivilegedScope::UnprivilegedScope(const std::string& folder) {
    if (geteuid() != 0)
        return;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder))
        lchown(entry.path().c_str(), kUnprivilegedId, kUnprivilegedId);
    if (chown(folder.c_str(), kUnprivilegedId, kUnprivilegedId) != 0 ||
        seteuid(kUnprivilegedId) != 0)
        throw std::runtime_error("cannot act as an unprivileged user");
    m_switched = true;
}

UnprivilegedScope::~UnprivilegedScope() {
    if (m_switched && seteuid(0) != 0)
        std::abort();
}

CurrentFolderScope::CurrentFolderScope(const std::string& folder)
    : m_previous(fs::current_path().string()) {
    fs::current_path(folder);
}

CurrentFolderScope::~CurrentFolderScope() {
    std::error_code ignored;
    fs::current_path(m_previous, ignored);
}

UmaskScope::UmaskScope(unsigned mask) : m_previous(umask(static_cast<mode_t>(mask))) {}

UmaskScope::~UmaskScope() {
    umask(static_cast<mode_t>(m_previous));
}

TimeZoneScope::TimeZoneScope(const std::string& zone) : m_hadZone(std::getenv("TZ") != nullptr) {
    if (m_hadZone)
        m_previous = std::getenv("TZ");
    setenv("TZ", zone.c_str(), 1);
    tzset();
}

TimeZoneScope::~TimeZoneScope() {
    if (m_hadZone)
        setenv("TZ", m_previous.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}
