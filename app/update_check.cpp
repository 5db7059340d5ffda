#include "app/ansi_text.h"
#include "app/folder_name.h"
#include "app/record_time.h"
#include "app/updater_app.h"
#include "app/version.h"
#include "markup/xml_doc.h"
#include "platform/file_system.h"
#include "platform/folder_in_use.h"
#include "platform/remove_tree.h"

#include <memory>

namespace {

using TransferHandle = std::unique_ptr<CURL, decltype(&curl_easy_cleanup)>;

// The record's bytes up to the first zero byte, in the platform's multi-byte encoding.
std::u16string DecodeRecord(const std::string& bytes) {
    return AnsiToUtf16(bytes.substr(0, bytes.find('\0')));
}

} // namespace

void CUpDateApp::RemoveLastVersion(CXmlDoc& config, const std::u16string& localVersion) const {
    config.RewindChildren();
    const std::u16string lastVersion =
        config.LocateChild(u"LastVersion") ? config.ReadChildText() : std::u16string();
    std::string path;
    const RemovalDecision decision = DecideRemoval(lastVersion, localVersion, path);
    Report().RemovalDecided(lastVersion, decision);
    if (IsDryRun())
        return;
    const bool removed = decision == RemovalDecision::AlreadyGone ||
                         (decision == RemovalDecision::RemoveFolder && RemoveTree(path));
    if (!removed)
        return;
    config.ReplaceElementData(config.childPos, u"");
    config.SaveFile(ConfigPath());
}

RemovalDecision CUpDateApp::DecideRemoval(const std::u16string& lastVersion,
                                          const std::u16string& localVersion,
                                          std::string& path) const {
    if (lastVersion.empty())
        return RemovalDecision::NothingNamed;
    // Only a folder of its own beside the updater, and never the installed one.
    if (!IsSafeFolderName(lastVersion))
        return RemovalDecision::NotAFolderName;
    if (lastVersion == localVersion)
        return RemovalDecision::InstalledVersion;
    bool lossy = false;
    path = Utf16ToAnsi(m_strFolder + lastVersion, &lossy);
    if (lossy)
        return RemovalDecision::Unrepresentable;
    // Only a real folder is an old version; a file or a link of that name stays, and so does
    // LastVersion. A folder already gone needs no removal.
    const PathKind kind = GetPathKind(path);
    if (IsSymbolicLink(path) || kind == PathKind::File)
        return RemovalDecision::NotAFolder;
    if (kind == PathKind::Missing)
        return RemovalDecision::AlreadyGone;
    // A version still running keeps its files.
    return IsFolderInUse(path) ? RemovalDecision::InUse : RemovalDecision::RemoveFolder;
}

void CUpDateApp::CheckForUpdate(CXmlDoc& config, CXmlDoc& record,
                                const std::u16string& localVersion) {
    // The record's transfer stays open until the installation is over.
    TransferHandle handle(m_libraries.curl.easy_init(), m_libraries.curl.easy_cleanup);
    if (!handle)
        return;
    Report().TransferOpened(handle.get());
    record.SetText(DecodeRecord(FetchRecord(handle.get(), ReadRecordTime(config))));
    std::u16string remoteVersion;
    const bool found = record.LocateChild(u"Version");
    if (found)
        remoteVersion = record.ReadChildText();

    // The remote text names a folder, a file and part of a URL: it must be one plain name.
    const bool safe = IsSafeFolderName(remoteVersion);
    Report().RemoteVersionRead(record, found, remoteVersion, safe);
    if (!safe)
        return;
    if (RequiresSignature()) {
        m_pinState = ReadPackagePin(record, m_pin);
        Report().PackagePinRead(m_pinState, m_pin);
        m_deltaPins = ReadDeltaPins(record);
        m_strInstalledVersion = localVersion;
    }
    const VersionTriple local = ParseVersion(localVersion);
    const VersionTriple remote = ParseVersion(remoteVersion);
    const bool newer = IsOlderVersion(local, remote);
    Report().VersionsCompared(local, remote, newer);
    if (!newer) {
        if (!IsDryRun() && RaiseRecordTime(config, m_acceptedRecordTime))
            config.SaveFile(ConfigPath());
        return;
    }
    // An installation this user cannot write never gets its package downloaded.
    std::string folder;
    const bool writable = NativeFolder(folder) && CanWriteFolder(folder);
    Report().InstallationWritable(folder, writable);
    if (!writable)
        return;
    if (IsDryRun()) {
        std::string packageName;
        Report().UpdateChosen(remoteVersion, PackageName(remoteVersion, packageName)
                                                 ? m_strBaseUrl + packageName
                                                 : std::string());
        if (RequiresSignature()) {
            ReportPartial(packageName);
            Report().DeltaOffered(localVersion, OfferedDelta(remoteVersion), PinnedSize());
        }
        if (m_bCheckPackage)
            CheckPackage(config, remoteVersion);
        if (m_bCheckPackage && OfferedDelta(remoteVersion))
            CheckDelta(remoteVersion);
        return;
    }
    // Without a program to start, no version is worth installing.
    config.RewindChildren();
    if (!config.LocateChild(u"Exe") || !DownloadAndInstall(remoteVersion, config.ReadChildText()))
        return;
    Commit(config, localVersion, remoteVersion);
}

void CUpDateApp::Commit(CXmlDoc& config, const std::u16string& localVersion,
                        const std::u16string& remoteVersion) const {
    // A missing element leaves the child position at 0, which the edit refuses.
    config.RewindChildren();
    config.LocateChild(u"LastVersion");
    config.ReplaceElementData(config.childPos, localVersion);
    config.RewindChildren();
    config.LocateChild(u"Version");
    config.ReplaceElementData(config.childPos, remoteVersion);
    RaiseRecordTime(config, m_acceptedRecordTime);
    config.SaveFile(ConfigPath());
}
