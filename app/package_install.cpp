#include "app/ansi_text.h"
#include "app/folder_name.h"
#include "app/package_layout.h"
#include "app/staging_folder.h"
#include "app/updater_app.h"
#include "app/updater_self_test.h"
#include "platform/disk_space.h"
#include "platform/file_system.h"
#include "platform/program_file.h"
#include "unzip/unzipper.h"

#include <cstdio>
#include <memory>

namespace {

using TransferHandle = std::unique_ptr<CURL, decltype(&curl_easy_cleanup)>;

// The package file during its download, in the folder whose file system must keep its reserve.
struct PackageDownload {
    FILE* stream = nullptr;
    std::string folder;
    bool outOfRoom = false;
};

// Write callback into a PackageDownload: stops the transfer before the disk's reserve is used.
size_t WriteToPackage(char* data, size_t size, size_t count, void* download) {
    auto& package = *static_cast<PackageDownload*>(download);
    if (!HasRoomFor(package.folder, static_cast<uint64_t>(size) * count)) {
        package.outOfRoom = true;
        return 0;
    }
    return WriteToFile(data, size, count, package.stream);
}

// Downloads url into the file at path; false when the transfer or a write failed. A partly
// written file stays, unless the disk had no room for the rest.
bool DownloadToFile(const CurlFunctions& curl, CURL* handle, const std::string& url,
                    const std::string& path, const std::string& folder,
                    const TransferLimits& limits, const std::string& caFile) {
    PackageDownload package{std::fopen(path.c_str(), "wb"), folder};
    if (!package.stream)
        return false;
    const bool transferred =
        SetTransferOptions(curl, handle, url, WriteToPackage, &package, limits, caFile) &&
        curl.easy_perform(handle) == CURLE_OK;
    const bool closed = std::fclose(package.stream) == 0;
    if (package.outOfRoom)
        std::remove(path.c_str());
    return transferred && closed;
}

} // namespace

bool CUpDateApp::PackageName(const std::u16string& version, std::string& name) {
    bool lossy = false;
    name = Utf16ToAnsi(version, &lossy) + ".zip";
    // The package's top folder must come out under the name the next start looks for.
    return IsSafeFolderName(version) && !lossy;
}

bool CUpDateApp::DownloadPackage(const std::u16string& version, const std::string& folder,
                                 std::string& packagePath) const {
    std::string packageName;
    if (!PackageName(version, packageName))
        return false;
    packagePath = folder + packageName;
    const std::string packageUrl = m_strBaseUrl + packageName;

    TransferHandle handle(m_libraries.curl.easy_init(), m_libraries.curl.easy_cleanup);
    if (!handle)
        return false;
    Report().TransferOpened(handle.get());
    if (RequiresSignature())
        return DownloadVerifiedPackage(handle.get(), packageName, folder, packagePath);
    const bool downloaded = DownloadToFile(m_libraries.curl, handle.get(), packageUrl, packagePath,
                                           folder, m_limits, m_strCaFile);
    Report().TransferDone(handle.get(), packageUrl, downloaded);
    return downloaded;
}

bool CUpDateApp::HasRoomToExtract(CUnzipper& unzipper, const std::string& folder,
                                  uint64_t& declared) {
    return unzipper.DeclaredSize(declared) && HasRoomFor(folder, declared);
}

bool CUpDateApp::DownloadAndInstall(std::u16string version, std::u16string exe) {
    bool versionLossy = false;
    bool exeLossy = false;
    std::string folder;
    const bool named = NativeFolder(folder);
    const std::string versionName = Utf16ToAnsi(version, &versionLossy);
    const std::string program = Utf16ToAnsi(exe, &exeLossy);
    if (!named || versionLossy || exeLossy)
        return false;
    // Whatever happens, the staging folder goes with everything in it.
    CStagingFolder staging;
    if (!staging.Create(folder))
        return false;
    // A delta from the installed version when the record offers one; the package otherwise, and
    // when the delta fails.
    if (InstallFromDelta(version, folder, staging.Path(), program))
        return true;
    std::string packagePath;
    if (!DownloadPackage(version, staging.Path(), packagePath))
        return false;
    const std::string staged = staging.Path() + versionName;
    const std::string updaterEntry = AllowedUpdaterEntry(versionName);
    // Everything the next start may run reaches the disk before the version takes its place.
    return UnpackPackage(packagePath, staging.Path(), versionName, updaterEntry) &&
           IsProgramWithin(staged + kPathSeparator + program, staged + kPathSeparator) &&
           IsStagedUpdaterQualified(staging.Path(), updaterEntry) && FlushFileSystem(staged) &&
           MoveIntoPlace(staging.Path(), folder, versionName, updaterEntry);
}

std::string CUpDateApp::AllowedUpdaterEntry(const std::string& versionName) const {
    return IsStagingFileName(m_strUpdaterName, versionName) ? std::string() : m_strUpdaterName;
}

bool CUpDateApp::UnpackPackage(const std::string& packagePath, const std::string& folder,
                               const std::string& versionName, const std::string& updaterEntry) {
    CUnzipper unzipper;
    std::vector<ZipEntryInfo> entries;
    uint64_t declared = 0;
    const bool opened = unzipper.OpenArchive(packagePath);
    // Nothing is written unless every entry lies beneath the version's own folder.
    const bool extracted = opened && ListEntries(unzipper, entries) &&
                           IsPackageLayoutSound(entries, versionName, updaterEntry) &&
                           HasRoomToExtract(unzipper, folder, declared) &&
                           unzipper.SetTargetFolder(folder) && unzipper.ExtractAll();
    const bool closed = unzipper.CloseArchive();
    RemoveFile(packagePath);
    return extracted && closed;
}

bool CUpDateApp::IsStagedUpdaterQualified(const std::string& stagingFolder,
                                          const std::string& updaterEntry) const {
    const std::string staged = stagingFolder + updaterEntry;
    return updaterEntry.empty() || !PathExists(staged) ||
           QualifyUpdater(staged, RequiresSignature()).verdict == UpdaterVerdict::Qualified;
}

bool CUpDateApp::MoveIntoPlace(const std::string& stagingFolder, const std::string& folder,
                               const std::string& versionName, const std::string& updaterEntry) {
    // What lies at the version's name is no installed version (config.xml names an older
    // one): a leftover of an attempt that was never committed. It goes with the staging folder.
    const std::string target = folder + versionName;
    if (PathExists(target) && !RenamePath(target, stagingFolder + kReplacedName))
        return false;
    if (!RenamePath(stagingFolder + versionName, target))
        return false;
    // The running updater keeps its file open; its name now leads to its successor.
    const std::string stagedUpdater = stagingFolder + updaterEntry;
    if (!updaterEntry.empty() && PathExists(stagedUpdater) &&
        !RenamePath(stagedUpdater, folder + updaterEntry))
        return false;
    return FlushFolder(folder);
}
