#include "app/updater_app.h"

#include "app/ansi_text.h"
#include "app/mirror_list.h"
#include "markup/xml_doc.h"
#include "platform/error_message.h"
#include "platform/launch.h"
#include "platform/own_path.h"

#include <utility>

namespace {

constexpr const char16_t* kConfigMissing = u"配置文件丢失或者损坏，请重新安装本程序。";

std::optional<PublicKey> ReadPublicKey(const std::string& line) {
    PublicKey key;
    if (!ParsePublicKey(line, key))
        return std::nullopt;
    return key;
}

void ShowConfigMissing() {
    ShowErrorMessage(FileNameOfPath(OwnExecutablePath()), Utf16ToAnsi(kConfigMissing));
}

} // namespace

CUpDateApp::CUpDateApp(std::string baseUrl, TransferLimits limits, std::string publicKey,
                       std::string caFile, UpdateLibraryNames libraries)
    : m_baseUrls(SplitBaseUrls(baseUrl)),
      m_strBaseUrl(m_baseUrls.empty() ? std::string() : m_baseUrls.front()), m_limits(limits),
      m_bRequiresSignature(!publicKey.empty()), m_publicKey(ReadPublicKey(publicKey)),
      m_strCaFile(std::move(caFile)), m_libraryNames(std::move(libraries)) {}

void CUpDateApp::SetDryRun(std::u16string folder, CUpdateReport& report, bool checkPackage) {
    m_strFolder = std::move(folder);
    m_pDryRun = &report;
    m_bCheckPackage = checkPackage;
}

CUpdateReport& CUpDateApp::Report() const {
    static CUpdateReport silent;
    return m_pDryRun ? *m_pDryRun : silent;
}

bool CUpDateApp::InitInstance() {
    if (!IsDryRun())
        m_strFolder = AnsiToUtf16(FolderOfPath(OwnExecutablePath()));
    CXmlDoc config;
    CXmlDoc record;
    // Without its own folder the updater cannot find its configuration either.
    const bool loaded = !m_strFolder.empty() && config.LoadFile(ConfigPath());
    Report().ConfigLoaded(ConfigPath(), config, loaded);
    if (!loaded) {
        if (!IsDryRun())
            ShowConfigMissing();
        return false;
    }
    std::u16string localVersion;
    const bool versionFound = config.LocateChild(u"Version");
    if (versionFound)
        localVersion = config.ReadChildText();
    Report().ConfigValueRead(u"Version", versionFound, localVersion);
    config.RewindChildren();
    const bool exeFound = config.LocateChild(u"Exe");
    const std::u16string exe = exeFound ? config.ReadChildText() : std::u16string();
    Report().ConfigValueRead(u"Exe", exeFound, exe);
    if (exeFound)
        Launch(localVersion, exe);

    if (!TakeLock())
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
    Report().ProgramChosen(path, !lossy);
    // A path the file system cannot name would start some other file, or none.
    if (!lossy && !IsDryRun())
        LaunchProgram(path);
}

bool CUpDateApp::TakeLock() {
    if (IsDryRun()) {
        bool held = false;
        const bool known = IsNamedLockHeld(kUpdaterLockName, held);
        Report().LockTested(known, held);
        return !held;
    }
    m_hMutex.Create(kUpdaterLockName);
    return !m_hMutex.AlreadyExists();
}
