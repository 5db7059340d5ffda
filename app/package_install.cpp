#include "app/ansi_text.h"
#include "app/folder_name.h"
#include "app/updater_app.h"
#include "unzip/unzipper.h"

#include <cstdio>
#include <memory>

namespace {

using TransferHandle = std::unique_ptr<CURL, decltype(&curl_easy_cleanup)>;

// Downloads url into the file at path; false when the transfer or a write failed. A partly
// written file stays.
bool DownloadToFile(const CurlFunctions& curl, CURL* handle, const std::string& url,
                    const std::string& path, const TransferLimits& limits,
                    const std::string& caFile) {
    FILE* stream = std::fopen(path.c_str(), "wb");
    if (!stream)
        return false;
    const bool transferred =
        SetTransferOptions(curl, handle, url, WriteToFile, stream, limits, caFile) &&
        curl.easy_perform(handle) == CURLE_OK;
    const bool closed = std::fclose(stream) == 0;
    return transferred && closed;
}

} // namespace

bool CUpDateApp::DownloadAndInstall(std::u16string version) {
    if (!IsSafeFolderName(version))
        return false;
    bool versionLossy = false;
    bool folderLossy = false;
    const std::string packageName = Utf16ToAnsi(version, &versionLossy) + ".zip";
    const std::string folder = Utf16ToAnsi(m_strFolder, &folderLossy);
    // The package's top folder must come out under the name the next start looks for.
    if (versionLossy || folderLossy)
        return false;
    const std::string packagePath = folder + packageName;

    const std::string packageUrl = m_strBaseUrl + packageName;

    TransferHandle handle(m_libraries.curl.easy_init(), m_libraries.curl.easy_cleanup);
    if (!handle)
        return false;
    // Without its signature the package is not even downloaded.
    Signature signature;
    if (RequiresSignature() && !FetchSignature(handle.get(), packageUrl, signature))
        return false;
    if (!DownloadToFile(m_libraries.curl, handle.get(), packageUrl, packagePath, m_limits,
                        m_strCaFile))
        return false;
    if (RequiresSignature() && !IsSignedFile(signature, packagePath)) {
        std::remove(packagePath.c_str());
        return false;
    }

    CUnzipper unzipper;
    const bool opened = unzipper.OpenArchive(packagePath);
    const bool targetSet = unzipper.SetTargetFolder(folder);
    const bool extracted = opened && unzipper.ExtractAll();
    const bool closed = unzipper.CloseArchive();
    std::remove(packagePath.c_str());
    return opened && targetSet && extracted && closed;
}
