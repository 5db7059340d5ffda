#include "app/ansi_text.h"
#include "app/package_layout.h"
#include "app/updater_app.h"
#include "markup/xml_doc.h"
#include "platform/file_system.h"
#include "platform/temporary_folder.h"
#include "unzip/unzipper.h"

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
        check.layoutSound =
            !versionLossy && check.listed && IsPackageLayoutSound(check.entries, versionName);
        unzipper.CloseArchive();
    }
    Report().PackageChecked(check);
}
