#include "app/ansi_text.h"
#include "app/mirror_list.h"
#include "app/resumable_download.h"
#include "app/staging_folder.h"
#include "app/updater_app.h"
#include "platform/file_system.h"

#include <ctime>

std::optional<uint64_t> CUpDateApp::PinnedSize() const {
    return m_pinState == PinState::Pinned ? std::optional<uint64_t>(m_pin.size) : std::nullopt;
}

bool CUpDateApp::DownloadVerifiedPackage(CURL* handle, const std::string& packageName,
                                         const std::string& folder,
                                         const std::string& packagePath) const {
    if (m_pinState == PinState::Malformed)
        return false;
    // The server that gave the record first, then the others: each holds only signed bytes.
    for (const std::string& base : StartingWith(m_baseUrls, m_strBaseUrl))
        if (DownloadVerifiedPackageFrom(handle, base + packageName, folder, packagePath))
            return true;
    return false;
}

bool CUpDateApp::DownloadVerifiedPackageFrom(CURL* handle, const std::string& url,
                                             const std::string& folder,
                                             const std::string& packagePath) const {
    const bool pinned = m_pinState == PinState::Pinned;
    // Without its signature the package is not even downloaded; a pinned one needs none.
    Signature signature;
    if (!pinned) {
        if (!FetchSignature(handle, url, signature))
            return false;
        if (!IsSignatureFor(signature, url)) {
            Report().SignatureChecked(url, SignatureCheck::NoMatch, signature.keyId,
                                      m_publicKeys);
            return false;
        }
    }
    const bool downloaded = DownloadResuming(m_libraries.curl, handle, url, packagePath, folder,
                                             PinnedSize(), m_limits, m_strCaFile);
    Report().TransferDone(handle, url, downloaded);
    if (!downloaded)
        return false;
    const bool verified = pinned ? IsPinnedFile(packagePath) : IsSignedFile(signature, packagePath);
    if (pinned)
        Report().PinChecked(url, verified);
    else
        Report().SignatureChecked(url, verified ? SignatureCheck::Valid : SignatureCheck::NoMatch,
                                  signature.keyId, m_publicKeys);
    if (!verified)
        RemoveFile(packagePath);
    return verified;
}

void CUpDateApp::ReportPartial(const std::string& packageName) const {
    bool lossy = false;
    const std::string path =
        Utf16ToAnsi(m_strFolder, &lossy) + kStagingFolderName + kPathSeparator + packageName;
    if (!lossy)
        Report().PartialFound(path, InspectPartial(path, PinnedSize(), std::time(nullptr)));
}
