#include "app/updater_app.h"

#include "app/ansi_text.h"
#include "markup/xml_doc.h"
#include "platform/error_message.h"
#include "platform/launch.h"
#include "platform/own_path.h"

#include <utility>

namespace {

constexpr const char* kLockName = "TavikUpdateMutex";
constexpr const char16_t* kConfigMissing = u"配置文件丢失或者损坏，请重新安装本程序。";

void ShowConfigMissing() {
    ShowErrorMessage(FileNameOfPath(OwnExecutablePath()), Utf16ToAnsi(kConfigMissing));
}

} // namespace

CUpDateApp::CUpDateApp(std::string baseUrl, TransferLimits limits, std::string publicKey,
                       std::string caFile, UpdateLibraryNames libraries)
    : m_strBaseUrl(std::move(baseUrl)), m_limits(limits), m_strPublicKey(std::move(publicKey)),
      m_strCaFile(std::move(caFile)), m_libraryNames(std::move(libraries)) {}

bool CUpDateApp::InitInstance() {
    m_strFolder = AnsiToUtf16(FolderOfPath(OwnExecutablePath()));
    CXmlDoc config;
    CXmlDoc record;
    // Without its own folder the updater cannot find its configuration either.
    if (m_strFolder.empty() || !config.LoadFile(ConfigPath())) {
        ShowConfigMissing();
        return false;
    }
    std::u16string localVersion;
    if (config.LocateChild(u"Version"))
        localVersion = config.ReadChildText();
    config.RewindChildren();
    if (config.LocateChild(u"Exe"))
        Launch(localVersion, config.ReadChildText());

    m_hMutex.Create(kLockName);
    if (m_hMutex.AlreadyExists())
        return false;
    // Without them no transfer can be made: the run ends as when no transfer can be started.
    if (!m_libraries.Load(m_libraryNames, RequiresSignature()))
        return false;
    RemoveLastVersion(config, localVersion);
    CheckForUpdate(config, record, localVersion);
    return false;
}

int CUpDateApp::ExitInstance() {
    m_hMutex.Release();
    return 0;
}

void CUpDateApp::Launch(std::u16string version, std::u16string exe) const {
    bool lossy = false;
    const std::string path = Utf16ToAnsi(m_strFolder + version + u"/" + exe, &lossy);
    // A path the file system cannot name would start some other file, or none.
    if (!lossy)
        LaunchProgram(path);
}
