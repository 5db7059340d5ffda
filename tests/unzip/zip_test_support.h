#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <ostream>
#include <string>
#include <vector>

// External attributes as a Unix zip tool stores them.
constexpr uint32_t UnixFileAttr(unsigned mode) {
    return (0100000u | mode) << 16;
}
constexpr uint32_t UnixFolderAttr(unsigned mode) {
    return ((040000u | mode) << 16) | 0x10u;
}
constexpr uint32_t UnixLinkAttr() {
    return (0120000u | 0777u) << 16;
}

// One entry for make_zip.py.
struct ZipLayoutEntry {
    std::string name{};
    std::string data{};
    std::string method = "deflated";
    uint32_t attr = 0; // external attributes
    int system = 3;    // made-by system: 0 MS-DOS, 3 Unix
    std::array<int, 6> date{2020, 5, 17, 10, 30, 42};
    int randomBytes = -1; // when set, that many random bytes instead of data
    std::string comment{};
    bool zip64 = false;        // sizes in zip64 form in the local header
    int64_t declaredSize = -1; // when set, the central directory declares this size instead
};

struct ZipPatch {
    int entry;
    std::string what; // see make_zip.py
};

struct ZipLayout {
    std::vector<ZipLayoutEntry> entries{};
    std::string comment{}; // the archive's
    int manyCount = 0;     // additional small files d<k>/f<i>.txt
    std::vector<ZipPatch> patches{};
    int64_t zip64Limit = -1; // when set, larger sizes are written in zip64 form
};

// A fresh folder in memory-backed storage where possible, removed with everything in it.
class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& Path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }

  private:
    std::string m_path;
};

struct ZipJob {
    std::string path;
    ZipLayout layout;
};

// Writes the archives with Python's zipfile, all in one run of the helper (its start-up is
// the slow part); true when the helper succeeded.
bool MakeZips(const std::vector<ZipJob>& jobs);
bool MakeZip(const ZipLayout& layout, const std::string& zipPath);
// Builds the sample version tree under treeFolder and zips it with Info-ZIP zip.
bool MakeTreeZip(const std::string& treeFolder, const std::string& zipPath,
                 const std::string& zipOptions = "");
// Runs a shell command; true when it exited with 0.
bool RunCommand(const std::string& command);
std::string Quoted(const std::string& text);

std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);

struct TreeItem {
    char type = '?';     // 'f' file, 'd' folder, 'l' link
    std::string content; // a file's bytes or a link's target
    int64_t mtime = 0;   // seconds, of files only: folders change as they fill, and link
                         // times are not restored by every tool
    unsigned mode = 0;   // permission bits of files and folders
    bool operator==(const TreeItem&) const = default;
};

void PrintTo(const TreeItem& item, std::ostream* out);

// Everything under root by relative path, links not followed.
std::map<std::string, TreeItem> ReadTree(const std::string& root);

// While it lives, the process acts as an unprivileged user when it runs as root (so that
// permissions are enforced); the folder is handed to that user first.
class UnprivilegedScope {
  public:
    explicit UnprivilegedScope(const std::string& folder);
    ~UnprivilegedScope();
    UnprivilegedScope(const UnprivilegedScope&) = delete;
    UnprivilegedScope& operator=(const UnprivilegedScope&) = delete;

  private:
    bool m_switched = false;
};

// While it lives, the current folder is the given one.
class CurrentFolderScope {
  public:
    explicit CurrentFolderScope(const std::string& folder);
    ~CurrentFolderScope();
    CurrentFolderScope(const CurrentFolderScope&) = delete;
    CurrentFolderScope& operator=(const CurrentFolderScope&) = delete;

  private:
    std::string m_previous;
};

// While it lives, the process has the given umask.
class UmaskScope {
  public:
    explicit UmaskScope(unsigned mask);
    ~UmaskScope();
    UmaskScope(const UmaskScope&) = delete;
    UmaskScope& operator=(const UmaskScope&) = delete;

  private:
    unsigned m_previous;
};

// While it lives, local time is that of the given time zone.
class TimeZoneScope {
  public:
    explicit TimeZoneScope(const std::string& zone);
    ~TimeZoneScope();
    TimeZoneScope(const TimeZoneScope&) = delete;
    TimeZoneScope& operator=(const TimeZoneScope&) = delete;

  private:
    bool m_hadZone;
    std::string m_previous;
};
