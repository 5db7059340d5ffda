#include "delta/delta_apply.h"

#include "delta/delta_manifest.h"
#include "platform/disk_space.h"
#include "platform/file_system.h"
#include "platform/hard_link.h"
#include "platform/mapped_file.h"
#include "platform/output_file.h"
#include "platform/remove_tree.h"
#include "unzip/entry_mode.h"
#include "unzip/entry_path.h"
#include "unzip/unzipper.h"

#include <sys/stat.h>

namespace {

// The folder that holds a folder path ending with "/".
std::string ParentOf(const std::string& folder) {
    return folder.substr(0, folder.rfind('/', folder.size() - 2) + 1);
}

std::string WithoutSeparator(const std::string& folder) {
    return folder.substr(0, folder.size() - 1);
}

bool Unpack(const DeltaPaths& paths) {
    CUnzipper unzipper;
    uint64_t declared = 0;
    const bool extracted = unzipper.OpenArchive(paths.archive) &&
                           unzipper.DeclaredSize(declared) &&
                           HasRoomFor(ParentOf(paths.scratch), declared) &&
                           unzipper.SetTargetFolder(paths.scratch) && unzipper.ExtractAll();
    return unzipper.CloseArchive() && extracted;
}

bool ReadManifestFile(const std::string& path, DeltaManifest& manifest) {
    CMappedFile file;
    return !IsSymbolicLink(path) && file.Open(path) && ReadManifest(file.Bytes(), manifest);
}

// A regular file of the scratch folder or the old version, reached through no link.
bool IsPlainFile(const std::string& folder, const std::string& name) {
    const std::string path = folder + name;
    return !PassesThroughLink(folder, name) && !IsSymbolicLink(path) &&
           GetPathKind(path) == PathKind::File;
}

// Finishes a file written at path: its mode, then its time.
bool FinishFile(COutputFile& file, const std::string& path, const DeltaEntry& entry,
                bool written) {
    written = file.SetPermissions(FilePermissions(entry.mode)) && written;
    return file.Close() && written && SetLastWriteTime(path, {entry.time, 0});
}

bool CopyFile(const std::string& from, const std::string& path, const DeltaEntry& entry) {
    CMappedFile old;
    COutputFile file;
    if (!old.Open(from) || !file.Create(path))
        return false;
    return FinishFile(file, path, entry, file.Write(old.Bytes().data(), old.Bytes().size()));
}

// The old file already has the entry's mode and time: a second name of it is the new file.
bool CanLink(const std::string& from, const DeltaEntry& entry) {
    struct stat status {};
    return lstat(from.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
           (status.st_mode & 07777) == FilePermissions(entry.mode) &&
           status.st_mtim.tv_sec == entry.time && status.st_mtim.tv_nsec == 0;
}

class CDeltaBuilder {
  public:
    CDeltaBuilder(const DeltaPaths& paths, const Blake2bFunctions& blake2b,
                  const DeltaApplyOptions& options, DeltaApplyCounts& counts)
        : m_paths(paths), m_blake2b(blake2b), m_options(options), m_counts(counts) {}

    bool Make(const DeltaEntry& entry) {
        const std::string path =
            entry.path == "." ? WithoutSeparator(m_paths.target) : m_paths.target + entry.path;
        switch (entry.kind) {
        case DeltaEntryKind::Folder:
            return CreateFolder(path, 0700) && SetPermissions(path, FolderPermissions(entry.mode));
        case DeltaEntryKind::Link:
            return CreateSymbolicLink(entry.target, path) && SetLastWriteTime(path, {entry.time, 0});
        case DeltaEntryKind::File:
            break;
        }
        return MakeFile(entry, path) && IsListedFile(entry, path);
    }

  private:
    bool MakeFile(const DeltaEntry& entry, const std::string& path) {
        switch (entry.source) {
        case DeltaSource::Same:
            return IsPlainFile(m_paths.oldFolder, entry.from) && Same(entry, path);
        case DeltaSource::Patch:
            return IsPlainFile(m_paths.oldFolder, entry.from) &&
                   IsPlainFile(m_paths.scratch, kPatchFolder + entry.path) && Patch(entry, path);
        case DeltaSource::Whole:
            break;
        }
        const std::string whole = m_paths.scratch + kWholeFolder + entry.path;
        ++m_counts.whole;
        return IsPlainFile(m_paths.scratch, kWholeFolder + entry.path) &&
               RenamePath(whole, path) && SetPermissions(path, FilePermissions(entry.mode)) &&
               SetLastWriteTime(path, {entry.time, 0});
    }

    bool Same(const DeltaEntry& entry, const std::string& path) {
        const std::string from = m_paths.oldFolder + entry.from;
        if (m_options.hardLinks && CanLink(from, entry) && CreateHardLink(from, path)) {
            ++m_counts.linked;
            return true;
        }
        ++m_counts.copied;
        return CopyFile(from, path, entry);
    }

    bool Patch(const DeltaEntry& entry, const std::string& path) {
        CMappedFile old;
        CMappedFile patch;
        COutputFile file;
        if (!old.Open(m_paths.oldFolder + entry.from) ||
            !patch.Open(m_paths.scratch + kPatchFolder + entry.path) || !file.Create(path))
            return false;
        ++m_counts.patched;
        const bool written =
            ApplyPatch(old.Bytes(), patch.Bytes(), m_options.windowLogCap, entry.size,
                       [&file](const char* data, size_t size) { return file.Write(data, size); });
        return FinishFile(file, path, entry, written);
    }

    bool IsListedFile(const DeltaEntry& entry, const std::string& path) const {
        uint64_t size = 0;
        std::time_t time = 0;
        Blake2bHash hash{};
        return GetFileStatus(path, size, time) && size == entry.size &&
               HashFile(m_blake2b, path, hash) && hash == entry.hash;
    }

    const DeltaPaths& m_paths;
    const Blake2bFunctions& m_blake2b;
    const DeltaApplyOptions& m_options;
    DeltaApplyCounts& m_counts;
};

// Room for every file that is not renamed out of the scratch folder.
bool HasRoomForFiles(const DeltaManifest& manifest, const std::string& folder) {
    uint64_t bytes = 0;
    for (const DeltaEntry& entry : manifest.entries)
        if (entry.kind == DeltaEntryKind::File && entry.source != DeltaSource::Whole)
            bytes += std::min(entry.size, UINT64_MAX - bytes);
    return HasRoomFor(folder, bytes);
}

bool Build(const DeltaPaths& paths, const std::string& fromVersion, const std::string& toVersion,
           const Blake2bFunctions& blake2b, const DeltaApplyOptions& options,
           DeltaApplyCounts& counts) {
    DeltaManifest manifest;
    if (!Unpack(paths) ||
        !ReadManifestFile(paths.scratch + kManifestName, manifest) ||
        manifest.fromVersion != fromVersion || manifest.toVersion != toVersion ||
        !HasRoomForFiles(manifest, paths.scratch))
        return false;
    CDeltaBuilder builder(paths, blake2b, options, counts);
    for (const DeltaEntry& entry : manifest.entries)
        if (!builder.Make(entry))
            return false;
    return true;
}

} // namespace

bool ApplyDelta(const DeltaPaths& paths, const std::string& fromVersion,
                const std::string& toVersion, const Blake2bFunctions& blake2b,
                const DeltaApplyOptions& options, DeltaApplyCounts& counts) {
    counts = DeltaApplyCounts{};
    if (PathExists(WithoutSeparator(paths.scratch)) || PathExists(WithoutSeparator(paths.target)))
        return false;
    const bool built = Build(paths, fromVersion, toVersion, blake2b, options, counts);
    const bool cleared = RemoveTree(WithoutSeparator(paths.scratch));
    if (!built || !cleared)
        RemoveTree(WithoutSeparator(paths.target));
    return built && cleared;
}
