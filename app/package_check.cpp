#include "app/ansi_text.h"
#include "app/updater_app.h"
#include "markup/xml_doc.h"
#include "platform/file_system.h"
#include "platform/temporary_folder.h"
#include "unzip/unzipper.h"

namespace {

// Reads every entry's information, in the archive's order; false when the directory could not
// be read to its end.
bool ListEntries(CUnzipper& unzipper, std::vector<ZipEntryInfo>& entries) {
    for (bool more = unzipper.MoveToFirstEntry(); more; more = unzipper.MoveToNextEntry()) {
        ZipEntryInfo info;
        if (!unzipper.ReadCurrentEntryInfo(info))
            return false;
        entries.push_back(std::move(info));
    }
    return true;
}

} // namespace

void CUpDateApp::CheckPackage(CXmlDoc& config, const std::u16string& version) const {
    PackageCheck check;
    CTemporaryFolder temporary;
    std::string packagePath;
    bool folderLossy = false;
    const std::string folder = Utf16ToAnsi(m_strFolder, &folderLossy);
    check.downloaded =
        temporary.Create("updatecheck-") && DownloadPackage(version, temporary.Path(), packagePath);
    CUnzipper unzipper;
    check.opened = check.downloaded && unzipper.OpenArchive(packagePath);
    if (check.opened) {
        check.roomForIt = !folderLossy && HasRoomToExtract(unzipper, folder, check.declaredBytes);
        check.listed = ListEntries(unzipper, check.entries);
        config.RewindChildren();
        const std::u16string exe = config.LocateChild(u"Exe") ? config.ReadChildText() : u"";
        bool lossy = false;
        // Compared as paths: "." and ".." resolved, repeated separators collapsed.
        const std::string program = FullPathName("/" + Utf16ToAnsi(version + u"/" + exe, &lossy));
        for (const ZipEntryInfo& entry : check.entries)
            check.holdsProgram |= !lossy && !exe.empty() && !entry.isFolder &&
                                  FullPathName("/" + entry.name) == program;
        unzipper.CloseArchive();
    }
    Report().PackageChecked(check);
}
