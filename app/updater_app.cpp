#include "app/updater_app.h"

#include "app/ansi_text.h"
#include "app/mirror_list.h"
#include "app/staging_folder.h"
#include "app/user_messages.h"
#include "markup/xml_doc.h"
#include "platform/background_priority.h"
#include "platform/error_message.h"
#include "platform/launch.h"
#include "platform/own_path.h"
#include "platform/program_file.h"

#include <utility>
#include <vector>

namespace {

// The keys of the lines; none when one of them is not a key, so that nothing verifies.
std::vector<PublicKey> ReadPublicKeys(const std::string& lines) {
    std::vector<PublicKey> keys;
    if (!ParsePublicKeys(lines, keys))
        keys.clear();
    return keys;
}

void ShowUserMessage(std::string text) {
    ShowErrorMessage(FileNameOfPath(OwnExecutablePath()), std::move(text));
}

} // namespace

CUpDateApp::CUpDateApp(std::string baseUrl, TransferLimits limits, std::string publicKey,
                       std::string authorities, UpdateLibraryNames libraries)
    : m_baseUrls(SplitBaseUrls(baseUrl)),
      m_strBaseUrl(m_baseUrls.empty() ? std::string() : m_baseUrls.front()), m_limits(limits),
      m_bRequiresSignature(!publicKey.empty()), m_publicKeys(ReadPublicKeys(publicKey)),
      m_strCaFile(std::move(authorities)), m_libraryNames(std::move(libraries)) {}

void CUpDateApp::SetDryRun(std::u16string folder, CUpdateReport& report, bool checkPackage,
                           std::string updaterName) {
    m_strFolder = std::move(folder);
    m_strUpdaterName = std::move(updaterName);
    m_pDryRun = &report;
    m_bCheckPackage = checkPackage;
}

CUpdateReport& CUpDateApp::Report() const {
    static CUpdateReport silent;
    return m_pDryRun ? *m_pDryRun : silent;
}

bool CUpDateApp::InitInstance() {
    if (!IsDryRun()) {
        const std::string ownPath = OwnExecutablePath();
        m_strFolder = AnsiToUtf16(FolderOfPath(ownPath));
        m_strUpdaterName = FileNameOfPath(ownPath);
    }
    CXmlDoc config;
    CXmlDoc record;
    // Without its own folder the updater cannot find its configuration either.
    const bool loaded = !m_strFolder.empty() && config.LoadFile(ConfigPath());
    Report().ConfigLoaded(ConfigPath(), config, loaded);
    if (!loaded) {
        if (!IsDryRun()) {
            ShowUserMessage(ConfigMissingMessage());
            m_nExitStatus = 1;
        }
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
    // An installation whose program cannot start is not brought up to date either: an update
    // would be unpacked at every start and never recorded.
    if (!Launch(localVersion, exe))
        return false;
    // The program was started at the caller's priority; whatever follows, even a second
    // instance's end, gives way to it and to every other program. Without the lowering the
    // update runs all the same.
    if (!IsDryRun())
        EnterBackgroundPriority();

    if (!TakeLock())
        return false;
    // Without them no transfer can be made: the run ends as when no transfer can be started.
    if (!m_libraries.Load(m_libraryNames, RequiresSignature()))
        return false;
    if (!PrepareUnderLock(config, localVersion))
        return false;
    RemoveLastVersion(config, localVersion);
    CheckForUpdate(config, record, localVersion);
    return false;
}

bool CUpDateApp::NativeFolder(std::string& folder) const {
    bool lossy = false;
    folder = Utf16ToAnsi(m_strFolder, &lossy);
    return !lossy;
}

bool CUpDateApp::PrepareUnderLock(CXmlDoc& config, std::u16string& localVersion) const {
    std::string folder;
    const bool named = NativeFolder(folder);
    if (IsDryRun()) {
        Report().LeftoversFound(named ? FindLeftovers(folder) : std::vector<std::string>());
        return true;
    }
    if (named)
        RemoveLeftovers(folder);
    if (!config.LoadFile(ConfigPath()))
        return false;
    localVersion = config.LocateChild(u"Version") ? config.ReadChildText() : std::u16string();
    return true;
}

int CUpDateApp::ExitInstance() {
    m_hMutex.Release();
    return m_nExitStatus;
}

void CUpDateApp::SetProgramArguments(std::vector<std::string> arguments) {
    m_programArguments = std::move(arguments);
}

bool CUpDateApp::Launch(std::u16string version, std::u16string exe) {
    bool lossy = false;
    const std::string path = Utf16ToAnsi(m_strFolder + version + u"/" + exe, &lossy);
    // A path the file system cannot name would start some other file, or none.
    const bool startable = !lossy && !exe.empty() && InspectProgramFile(path).executable;
    Report().ProgramChosen(path, !lossy, startable);
    if (IsDryRun())
        return startable;
    if (startable && LaunchProgram(path, m_programArguments))
        return true;
    ShowUserMessage(ProgramMissingMessage(path));
    m_nExitStatus = 1;
    return false;
}

bool CUpDateApp::TakeLock() {
    std::string folder;
    const bool named = NativeFolder(folder);
    if (IsDryRun()) {
        std::vector<LockHolder> holders;
        const bool known = named && FindInstallationLockHolders(folder, holders);
        Report().LockTested(known, holders);
        return holders.empty();
    }
    // Only the holder may change the installation; a folder it cannot lock it cannot change.
    return named && m_hMutex.Create(folder);
}
