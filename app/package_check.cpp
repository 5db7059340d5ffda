#include "app/ansi_text.h"
#include "app/package_layout.h"
#include "app/updater_app.h"
#include "app/updater_self_test.h"
#include "markup/xml_doc.h"
#include "platform/file_system.h"
#include "platform/temporary_folder.h"
#include "unzip/unzipper.h"

namespace {

// Extracts the archive's entry name into folder and runs its self-test there.
UpdaterQualification QualifyCarriedUpdater(CUnzipper& unzipper, const std::string& name,
                                           const std::string& folder, bool requiresSignatures) {
    ZipEntryInfo info;
    for (bool more = unzipper.MoveToFirstEntry(); more; more = unzipper.MoveToNextEntry())
        if (unzipper.ReadCurrentEntryInfo(info) && info.name == name)
            break;
    if (info.name != name || !unzipper.SetTargetFolder(folder) || !unzipper.ExtractCurrentEntry())
        return {};
    return QualifyUpdater(folder + name, requiresSignatures);
}

} // namespace

void CUpDateApp::CheckPackage(CXmlDoc& config, const std::u16string& version) const {
    PackageCheck check;
    CTemporaryFolder temporary;
    std::string packagePath;
    std::string folder;
    const bool named = NativeFolder(folder);
    check.downloaded =
        temporary.Create("updatecheck-") && DownloadPackage(version, temporary.Path(), packagePath);
    CUnzipper unzipper;
    check.opened = check.downloaded && unzipper.OpenArchive(packagePath);
    if (check.opened) {
        check.roomForIt = named && HasRoomToExtract(unzipper, folder, check.declaredBytes);
        check.listed = ListEntries(unzipper, check.entries);
        config.RewindChildren();
        const std::u16string exe = config.LocateChild(u"Exe") ? config.ReadChildText() : u"";
        bool lossy = false;
        // Compared as paths: "." and ".." resolved, repeated separators collapsed.
        const std::string program = FullPathName("/" + Utf16ToAnsi(version + u"/" + exe, &lossy));
        for (const ZipEntryInfo& entry : check.entries)
            check.holdsProgram |= !lossy && !exe.empty() && !entry.isFolder &&
                                  FullPathName("/" + entry.name) == program;
        bool versionLossy = false;
        const std::string versionName = Utf16ToAnsi(version, &versionLossy);
        check.updaterName = AllowedUpdaterEntry(versionName);
        check.layoutSound = !versionLossy && check.listed &&
                            IsPackageLayoutSound(check.entries, versionName, check.updaterName);
        check.carriesUpdater = CarriesUpdater(check.entries, check.updaterName);
        if (check.carriesUpdater)
            check.updater = QualifyCarriedUpdater(unzipper, check.updaterName, temporary.Path(),
                                                  RequiresSignature());
        unzipper.CloseArchive();
    }
    Report().PackageChecked(check);
}
