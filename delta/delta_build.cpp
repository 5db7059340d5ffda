#include "delta/delta_build.h"

#include "delta/delta_manifest.h"
#include "delta/zstd_patch.h"
#include "platform/mapped_file.h"
#include "unzip/entry_mode.h"
#include "unzip/entry_time.h"

#include <sys/stat.h>
#include <zip.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>

namespace fs = std::filesystem;

namespace {

constexpr int kPatchLevel = 19;

struct ZipCloser {
    void operator()(zipFile file) const { zipClose(file, nullptr); }
};
using ZipHandle = std::unique_ptr<void, ZipCloser>;

// The time a package's entry gives a file of this last-write time: its MS-DOS local time, to
// two seconds, read back.
std::time_t PackageTime(std::time_t time) {
    struct tm local {};
    localtime_r(&time, &local);
    const uint32_t date = static_cast<uint32_t>(((local.tm_year - 80) << 9) |
                                                ((local.tm_mon + 1) << 5) | local.tm_mday);
    const uint32_t clock =
        static_cast<uint32_t>((local.tm_hour << 11) | (local.tm_min << 5) | (local.tm_sec / 2));
    std::time_t packaged = time;
    DosDateTimeToTime(date << 16 | clock, packaged);
    return packaged;
}

// Every path beneath a folder, relative to it, sorted; false when the walk failed.
bool ListTree(const std::string& folder, std::vector<std::string>& paths, std::string& error) {
    std::error_code code;
    for (fs::recursive_directory_iterator it(folder, code), end; !code && it != end;
         it.increment(code))
        paths.push_back(it->path().lexically_relative(folder).string());
    if (code)
        error = folder + ": " + code.message();
    std::sort(paths.begin(), paths.end());
    return !code;
}

// The old version's regular files: by path, and the first path of each hash.
struct OldTree {
    std::map<std::string, Blake2bHash> hashes;
    std::map<Blake2bHash, std::string> paths;
};

bool ReadOldTree(const std::string& folder, const Blake2bFunctions& blake2b, OldTree& tree,
                 std::string& error) {
    std::vector<std::string> paths;
    if (!ListTree(folder, paths, error))
        return false;
    for (const std::string& path : paths) {
        struct stat status {};
        Blake2bHash hash{};
        if (lstat((folder + path).c_str(), &status) != 0 || !S_ISREG(status.st_mode))
            continue;
        if (!HashFile(blake2b, folder + path, hash)) {
            error = folder + path + ": cannot be read";
            return false;
        }
        tree.hashes[path] = hash;
        tree.paths.emplace(hash, path);
    }
    return true;
}

size_t DeflatedSize(std::string_view bytes) {
    uLongf size = compressBound(static_cast<uLong>(bytes.size()));
    std::string out(size, '\0');
    if (compress2(reinterpret_cast<Bytef*>(out.data()), &size,
                  reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uLong>(bytes.size()),
                  Z_DEFAULT_COMPRESSION) != Z_OK)
        return bytes.size();
    return size;
}

bool AddToZip(zipFile zip, const std::string& name, std::string_view bytes, bool stored) {
    zip_fileinfo info{};
    info.tmz_date.tm_mday = 1;
    info.tmz_date.tm_year = 1980;
    if (zipOpenNewFileInZip64(zip, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                              stored ? 0 : Z_DEFLATED, stored ? 0 : Z_DEFAULT_COMPRESSION,
                              bytes.size() >= 0xFFFFFFFFu) != ZIP_OK)
        return false;
    bool written = true;
    for (size_t at = 0; written && at < bytes.size(); at += 1u << 30) {
        const size_t piece = std::min(bytes.size() - at, size_t(1) << 30);
        written = zipWriteInFileInZip(zip, bytes.data() + at, static_cast<unsigned>(piece)) ==
                  ZIP_OK;
    }
    return zipCloseFileInZip(zip) == ZIP_OK && written;
}

class CDeltaWriter {
  public:
    CDeltaWriter(zipFile zip, const std::string& oldSource, const std::string& newSource,
                 const Blake2bFunctions& blake2b, DeltaBuildCounts& counts, std::string& error)
        : m_zip(zip), m_old(oldSource), m_new(newSource), m_blake2b(blake2b), m_counts(counts),
          m_error(error) {}

    bool ReadOld() { return ReadOldTree(m_old, m_blake2b, m_oldTree, m_error); }

    // Lists the entry at path (relative; "." for the version folder) and adds its bytes.
    bool Add(const std::string& path, DeltaManifest& manifest) {
        const std::string full = path == "." ? m_new : m_new + path;
        struct stat status {};
        if (lstat(full.c_str(), &status) != 0) {
            m_error = full + ": " + std::strerror(errno);
            return false;
        }
        DeltaEntry entry;
        entry.path = path;
        entry.time = PackageTime(status.st_mtime);
        if (S_ISDIR(status.st_mode)) {
            entry.kind = DeltaEntryKind::Folder;
            entry.mode = FolderPermissions(status.st_mode & 07777);
        } else if (S_ISLNK(status.st_mode)) {
            std::error_code code;
            entry.kind = DeltaEntryKind::Link;
            entry.target = fs::read_symlink(full, code).string();
            if (code) {
                m_error = full + ": " + code.message();
                return false;
            }
        } else if (!S_ISREG(status.st_mode) || !AddFile(full, status, entry)) {
            if (m_error.empty())
                m_error = full + ": not a file, folder or link";
            return false;
        }
        manifest.entries.push_back(std::move(entry));
        return true;
    }

  private:
    bool AddFile(const std::string& full, const struct stat& status, DeltaEntry& entry) {
        CMappedFile file;
        if (!file.Open(full)) {
            m_error = full + ": cannot be read";
            return false;
        }
        entry.kind = DeltaEntryKind::File;
        entry.mode = FilePermissions(status.st_mode & 07777);
        entry.size = file.Bytes().size();
        entry.hash = HashBytes(m_blake2b, file.Bytes());
        const auto samePath = m_oldTree.hashes.find(entry.path);
        const auto sameBytes = m_oldTree.paths.find(entry.hash);
        if (samePath != m_oldTree.hashes.end() && samePath->second == entry.hash)
            return Same(entry, entry.path);
        if (sameBytes != m_oldTree.paths.end())
            return Same(entry, sameBytes->second);
        if (samePath != m_oldTree.hashes.end() && AddPatch(file.Bytes(), entry))
            return true;
        if (!m_error.empty())
            return false;
        entry.source = DeltaSource::Whole;
        ++m_counts.whole;
        return Write(kWholeFolder + entry.path, file.Bytes(), false);
    }

    bool Same(DeltaEntry& entry, const std::string& from) {
        entry.source = DeltaSource::Same;
        entry.from = from;
        ++m_counts.same;
        return true;
    }

    // False, with no error, when the patch would not be smaller.
    bool AddPatch(std::string_view bytes, DeltaEntry& entry) {
        CMappedFile old;
        if (!old.Open(m_old + entry.path)) {
            m_error = m_old + entry.path + ": cannot be read";
            return false;
        }
        const std::string patch = MakePatch(old.Bytes(), bytes, kPatchLevel);
        if (patch.empty() || patch.size() >= DeflatedSize(bytes))
            return false;
        entry.source = DeltaSource::Patch;
        entry.from = entry.path;
        ++m_counts.patched;
        return Write(kPatchFolder + entry.path, patch, true);
    }

    bool Write(const std::string& name, std::string_view bytes, bool stored) {
        if (!AddToZip(m_zip, name, bytes, stored)) {
            m_error = name + ": could not be added to the delta";
            return false;
        }
        return true;
    }

    zipFile m_zip;
    const std::string m_old;
    const std::string m_new;
    const Blake2bFunctions& m_blake2b;
    DeltaBuildCounts& m_counts;
    std::string& m_error;
    OldTree m_oldTree;
};

bool WriteEntries(zipFile zip, const std::string& oldSource, const std::string& fromVersion,
                  const std::string& newSource, const std::string& toVersion,
                  const Blake2bFunctions& blake2b, DeltaBuildCounts& counts, std::string& error) {
    CDeltaWriter writer(zip, oldSource, newSource, blake2b, counts, error);
    std::vector<std::string> paths;
    DeltaManifest manifest{fromVersion, toVersion, {}};
    if (!writer.ReadOld() || !ListTree(newSource, paths, error) || !writer.Add(".", manifest))
        return false;
    for (const std::string& path : paths)
        if (!writer.Add(path, manifest))
            return false;
    const std::string text = WriteManifest(manifest);
    // Read back as the updater will before it goes out.
    DeltaManifest readBack;
    if (!ReadManifest(text, readBack) || WriteManifest(readBack) != text) {
        error = "the manifest cannot be read back (a name that is not UTF-8, or a link that "
                "leaves the installation)";
        return false;
    }
    return AddToZip(zip, kManifestName, text, false);
}

} // namespace

bool BuildDelta(const std::string& oldSource, const std::string& fromVersion,
                const std::string& newSource, const std::string& toVersion,
                const std::string& archivePath, const Blake2bFunctions& blake2b,
                DeltaBuildCounts& counts, std::string& error) {
    counts = DeltaBuildCounts{};
    for (const std::string& folder : {oldSource, newSource})
        if (!fs::is_directory(folder)) {
            error = folder + ": not a folder";
            return false;
        }
    const std::string temporary = archivePath + ".part";
    bool complete = false;
    {
        ZipHandle zip(zipOpen64(temporary.c_str(), APPEND_STATUS_CREATE));
        if (!zip) {
            error = temporary + ": " + std::strerror(errno);
            return false;
        }
        complete = WriteEntries(zip.get(), oldSource + "/", fromVersion, newSource + "/",
                                toVersion, blake2b, counts, error);
        complete = zipClose(zip.release(), nullptr) == ZIP_OK && complete;
        if (!complete && error.empty())
            error = temporary + ": could not be written";
    }
    if (complete && std::rename(temporary.c_str(), archivePath.c_str()) != 0) {
        error = archivePath + ": " + std::strerror(errno);
        complete = false;
    }
    if (!complete)
        std::remove(temporary.c_str());
    return complete;
}
