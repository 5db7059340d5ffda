#include "unzip/unzipper.h"

#include "platform/file_system.h"
#include "platform/output_file.h"
#include "unzip/entry_data.h"
#include "unzip/entry_mode.h"
#include "unzip/entry_path.h"
#include "unzip/entry_time.h"
#include "unzip/folders.h"
#include "unzip/zip64_extra.h"

#include <algorithm>
#include <cstdint>
#include <optional>

namespace {

// Longer link targets are refused rather than read whole.
constexpr size_t kMaxLinkTarget = 4095;

// The path without the extension of its last component: /app/1.0.4.zip gives /app/1.0.4.
std::string WithoutExtension(std::string path) {
    const size_t nameStart = path.rfind(kPathSeparator) + 1;
    const size_t dot = path.rfind('.');
    if (dot != std::string::npos && dot >= nameStart)
        path.erase(dot);
    return path;
}

} // namespace

CUnzipper::~CUnzipper() {
    CloseArchive();
}

bool CUnzipper::OpenArchive(std::string path) {
    CloseArchive();
    if (path.empty())
        return false;
    const std::string fullPath = FullPathName(path);
    if (fullPath.empty())
        return false;
    zlib_filefunc64_def fileFunctions = m_file.FileFunctions();
    m_archive = unzOpen2_64(fullPath.c_str(), &fileFunctions);
    if (m_archive == nullptr)
        return false;
    m_strTargetFolder = WithoutExtension(fullPath);
    return true;
}

bool CUnzipper::CloseArchive() {
    m_strTargetFolder.clear();
    if (m_archive == nullptr)
        return false;
    const bool closed = unzClose(m_archive) == UNZ_OK;
    m_archive = nullptr;
    return closed;
}

bool CUnzipper::SetTargetFolder(std::string folder) {
    if (GetPathKind(folder) == PathKind::File)
        return false;
    m_strTargetFolder = folder;
    return EnsureFolder(folder);
}

bool CUnzipper::ExtractAll() {
    if (m_archive == nullptr || !EnsureFolder(m_strTargetFolder))
        return false;
    unz_global_info64 globalInfo{};
    if (unzGetGlobalInfo64(m_archive, &globalInfo) != UNZ_OK || globalInfo.number_entry == 0)
        return false;
    if (!MoveToFirstEntry())
        return false;
    CKnownFolders known;
    for (;;) {
        if (!ExtractEntry(known))
            return false;
        const int moved = unzGoToNextFile(m_archive);
        if (moved != UNZ_OK)
            return moved == UNZ_END_OF_LIST_OF_FILE;
    }
}

bool CUnzipper::DeclaredSize(uint64_t& bytes) {
    bytes = 0;
    if (m_archive == nullptr)
        return false;
    int moved = unzGoToFirstFile(m_archive);
    ZipEntryInfo info;
    while (moved == UNZ_OK && ReadCurrentEntryInfo(info)) {
        bytes += std::min(info.uncompressedSize, UINT64_MAX - bytes);
        moved = unzGoToNextFile(m_archive);
    }
    unzGoToFirstFile(m_archive);
    return moved == UNZ_END_OF_LIST_OF_FILE;
}

bool CUnzipper::MoveToFirstEntry() {
    return m_archive != nullptr && unzGoToFirstFile(m_archive) == UNZ_OK;
}

bool CUnzipper::MoveToNextEntry() {
    return m_archive != nullptr && unzGoToNextFile(m_archive) == UNZ_OK;
}

bool CUnzipper::ReadCurrentEntryInfo(ZipEntryInfo& info) {
    info = ZipEntryInfo{};
    if (m_archive == nullptr)
        return false;
    // First the lengths of the name, extra data and comment, then all three whole.
    unz_file_info64 fileInfo{};
    if (unzGetCurrentFileInfo64(m_archive, &fileInfo, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
        return false;
    std::string name(fileInfo.size_filename, '\0');
    std::string extra(fileInfo.size_file_extra, '\0');
    std::string comment(fileInfo.size_file_comment, '\0');
    if (unzGetCurrentFileInfo64(m_archive, &fileInfo, name.data(), fileInfo.size_filename,
                                extra.data(), fileInfo.size_file_extra, comment.data(),
                                fileInfo.size_file_comment) != UNZ_OK)
        return false;
    uint64_t uncompressedSize = fileInfo.uncompressed_size;
    uint64_t compressedSize = fileInfo.compressed_size;
    if (!ReadZip64Sizes(extra, uncompressedSize, compressedSize))
        return false;
    std::replace(name.begin(), name.end(), '\\', kPathSeparator);
    info.name = std::move(name);
    info.comment = std::move(comment);
    info.versionMadeBy = static_cast<uint32_t>(fileInfo.version);
    info.versionNeeded = static_cast<uint32_t>(fileInfo.version_needed);
    info.flags = static_cast<uint32_t>(fileInfo.flag);
    info.compressionMethod = static_cast<uint32_t>(fileInfo.compression_method);
    info.dosDateTime = static_cast<uint32_t>(fileInfo.dosDate);
    info.crc32 = static_cast<uint32_t>(fileInfo.crc);
    info.compressedSize = compressedSize;
    info.uncompressedSize = uncompressedSize;
    info.sizeFromZip64Field = uncompressedSize != fileInfo.uncompressed_size;
    info.internalAttributes = static_cast<uint32_t>(fileInfo.internal_fa);
    info.externalAttributes = static_cast<uint32_t>(fileInfo.external_fa);
    info.isFolder = (info.externalAttributes & kFolderAttribute) != 0 || IsFolderMode(info) ||
                    info.name.ends_with(kPathSeparator);
    return true;
}

bool CUnzipper::ExtractCurrentEntry() {
    if (m_archive == nullptr || !EnsureFolder(m_strTargetFolder))
        return false;
    CKnownFolders known;
    return ExtractEntry(known);
}

bool CUnzipper::ExtractEntry(CKnownFolders& known) {
    ZipEntryInfo info;
    ReadCurrentEntryInfo(info); // when it fails the name stays empty, which is refused below
    if (!IsContainedEntryName(info.name))
        return false;
    const std::string path = JoinEntryPath(m_strTargetFolder, info.name);
    if (info.isFolder)
        return !PassesThroughLink(m_strTargetFolder, info.name) && ExtractFolder(path, info);
    const size_t separator = info.name.rfind(kPathSeparator);
    if (separator != std::string::npos) {
        const std::string parent = info.name.substr(0, separator);
        if (!known.Contains(parent)) {
            if (PassesThroughLink(m_strTargetFolder, info.name) || !EnsureParentFolder(path))
                return false;
            known.Add(parent);
        }
    }
    return IsLinkEntry(info) ? ExtractLink(path, info) : ExtractFile(path, info);
}

bool CUnzipper::ExtractFolder(std::string path, const ZipEntryInfo& info) {
    if (path.back() == kPathSeparator)
        path.pop_back();
    const bool existed = GetPathKind(path) != PathKind::Missing;
    if (!EnsureFolder(path))
        return false;
    const std::optional<unsigned> mode = UnixMode(info);
    return existed || !mode || SetPermissions(path, FolderPermissions(*mode));
}

bool CUnzipper::ExtractFile(std::string path, const ZipEntryInfo& info) {
    COutputFile file;
    if (!file.Create(path))
        return false;
    bool copied =
        CopyCurrentEntryData(m_archive, m_file, info, [&file](const char* data, size_t size) {
            return file.Write(data, size);
        });
    const std::optional<unsigned> mode = UnixMode(info);
    if (copied && mode)
        copied = file.SetPermissions(FilePermissions(*mode));
    copied = file.Close() && copied;
    if (copied)
        SetEntryFileTime(path, info.dosDateTime); // a file without its time is still whole
    return copied;
}

bool CUnzipper::ExtractLink(std::string path, const ZipEntryInfo& info) {
    std::string target;
    const bool read =
        CopyCurrentEntryData(m_archive, m_file, info, [&target](const char* data, size_t size) {
            if (target.size() + size > kMaxLinkTarget)
                return false;
            target.append(data, size);
            return true;
        });
    if (!read || !IsContainedLinkTarget(info.name, target))
        return false;
    // A link or file left by an earlier extraction is replaced; a folder is not.
    if (IsSymbolicLink(path) || GetPathKind(path) == PathKind::File)
        RemoveFile(path);
    if (!CreateSymbolicLink(target, path))
        return false;
    SetEntryFileTime(path, info.dosDateTime);
    return true;
}
