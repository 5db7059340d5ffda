#include "app/ansi_text.h"
#include "app/mirror_list.h"
#include "app/resumable_download.h"
#include "app/updater_app.h"
#include "delta/delta_apply.h"
#include "delta/delta_manifest.h"
#include "platform/file_system.h"
#include "platform/mapped_file.h"
#include "platform/program_file.h"
#include "platform/remove_tree.h"
#include "platform/shared_library.h"
#include "platform/temporary_folder.h"

#include <memory>

namespace {

using TransferHandle = std::unique_ptr<CURL, decltype(&curl_easy_cleanup)>;

// libsodium's incremental BLAKE2b, from a second reference to the library the update check
// loaded.
class CBlake2bLibrary {
  public:
    bool Load(const std::string& name) {
        return m_library.Open(name) && m_library.Find("crypto_generichash_init", functions.init) &&
               m_library.Find("crypto_generichash_update", functions.update) &&
               m_library.Find("crypto_generichash_final", functions.final);
    }
    Blake2bFunctions functions;

  private:
    CSharedLibrary m_library;
};

bool IsPinned(const SodiumFunctions& sodium, const PackagePin& pin, const std::string& path) {
    CMappedFile file;
    return file.Open(path) && MatchesPin(sodium, pin, file.Bytes());
}

} // namespace

const DeltaPin* CUpDateApp::OfferedDelta(const std::u16string& version) const {
    bool fromLossy = false;
    bool toLossy = false;
    const std::string from = Utf16ToAnsi(m_strInstalledVersion, &fromLossy);
    const std::string to = Utf16ToAnsi(version, &toLossy);
    for (const DeltaPin& delta : m_deltaPins)
        if (!fromLossy && !toLossy && !from.empty() && delta.fromVersion == m_strInstalledVersion &&
            delta.name == DeltaFileName(to, from))
            return &delta;
    return nullptr;
}

bool CUpDateApp::DownloadDelta(const DeltaPin& delta, const std::string& staging) const {
    TransferHandle handle(m_libraries.curl.easy_init(), m_libraries.curl.easy_cleanup);
    if (!handle)
        return false;
    const std::string path = staging + delta.name;
    // The server that gave the record first, then the others: each holds only pinned bytes.
    for (const std::string& base : StartingWith(m_baseUrls, m_strBaseUrl)) {
        const std::string url = base + delta.name;
        const bool downloaded = DownloadResuming(m_libraries.curl, handle.get(), url, path,
                                                 staging, delta.pin.size, m_limits, m_strCaFile);
        Report().TransferDone(handle.get(), url, downloaded);
        if (!downloaded)
            continue;
        const bool verified = IsPinned(m_libraries.sodium, delta.pin, path);
        Report().PinChecked(url, verified);
        if (verified)
            return true;
        RemoveFile(path);
    }
    return false;
}

bool CUpDateApp::InstallFromDelta(const std::u16string& version, const std::string& folder,
                                  const std::string& staging, const std::string& program) const {
    const DeltaPin* delta = OfferedDelta(version);
    CBlake2bLibrary blake2b;
    if (!delta || !blake2b.Load(m_libraryNames.sodium))
        return false;
    const std::string from = Utf16ToAnsi(m_strInstalledVersion);
    const std::string to = Utf16ToAnsi(version);
    const DeltaPaths paths{staging + delta->name, folder + from + kPathSeparator,
                           staging + to + kPathSeparator, staging + ".delta" + kPathSeparator};
    if (IsSymbolicLink(folder + from) || GetPathKind(folder + from) != PathKind::Folder ||
        !DownloadDelta(*delta, staging))
        return false;
    DeltaApplyCounts counts;
    const bool applied =
        ApplyDelta(paths, from, to, blake2b.functions, DeltaApplyOptions{}, counts);
    RemoveFile(paths.archive);
    const std::string staged = staging + to;
    // As for the package: everything the next start may run reaches the disk before the
    // version takes its place.
    const bool installed = applied &&
                           IsProgramWithin(staged + kPathSeparator + program,
                                           staged + kPathSeparator) &&
                           FlushFileSystem(staged) && MoveIntoPlace(staging, folder, to, "");
    if (!installed)
        RemoveTree(staged);
    return installed;
}

void CUpDateApp::CheckDelta(const std::u16string& version) const {
    const DeltaPin* delta = OfferedDelta(version);
    CBlake2bLibrary blake2b;
    CTemporaryFolder temporary;
    std::string folder;
    DeltaApplyCounts counts;
    if (!delta || !NativeFolder(folder) || !blake2b.Load(m_libraryNames.sodium) ||
        !temporary.Create("updatecheck-delta-")) {
        Report().DeltaChecked(false, false, counts);
        return;
    }
    const bool downloaded = DownloadDelta(*delta, temporary.Path());
    const std::string from = Utf16ToAnsi(m_strInstalledVersion);
    const std::string to = Utf16ToAnsi(version);
    const DeltaPaths paths{temporary.Path() + delta->name, folder + from + kPathSeparator,
                           temporary.Path() + to + kPathSeparator,
                           temporary.Path() + ".delta" + kPathSeparator};
    DeltaApplyOptions options;
    options.hardLinks = false; // the temporary folder may lie on another file system
    const bool applied =
        downloaded && ApplyDelta(paths, from, to, blake2b.functions, options, counts);
    Report().DeltaChecked(downloaded, applied, counts);
}
