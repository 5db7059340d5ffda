#pragma once

#include "app/delta_pin.h"
#include "app/package_pin.h"
#include "app/signature.h"
#include "app/transfer.h"
#include "app/update_libraries.h"
#include "app/update_report.h"
#include "platform/installation_lock.h"

#include <optional>
#include <string>
#include <vector>

class CUnzipper;
class CXmlDoc;

// The updater: starts the installed version of the main program, and, as the one running
// instance, removes the version the last update replaced, fetches the server's version record
// and installs and records a newer version.
class CUpDateApp {
  public:
    // baseUrl: the update server's folder URL, ending with "/", or several separated by spaces
    // (mirrors, tried in order). publicKey: the minisign public keys (separated by spaces) one
    // of which records and packages must be signed with; empty for unsigned updates. authorities: the PEM text of the
    // certificate authorities trusted for https://; empty for the system's. libraries: the
    // libraries the update check loads after the launch.
    CUpDateApp(std::string baseUrl, TransferLimits limits, std::string publicKey,
               std::string authorities, UpdateLibraryNames libraries);

    // The whole run. Always false: there is nothing to keep running afterwards.
    bool InitInstance();
    // Gives up the single-instance lock; the result is the exit status: 1 when a message was
    // shown, otherwise 0.
    int ExitInstance();

    // The arguments the main program is started with, in order.
    void SetProgramArguments(std::vector<std::string> arguments);

    // The run for kSelfTestOption: loads the update check's libraries, checks the built-in
    // settings and prints what a self-test prints. The exit status: 0 when all is well.
    int SelfTest(const std::string& version);

    // Makes InitInstance a dry run for the installation in folder (ending with "/"): every step
    // runs and tells report what it found and decided, but nothing is started, no lock is taken,
    // no message is shown and no file is changed. With checkPackage, an update's package is
    // downloaded into a temporary folder, verified and listed, and deleted, and the updater it
    // carries under updaterName (the name of the installation's updater file) self-tested.
    void SetDryRun(std::u16string folder, CUpdateReport& report, bool checkPackage,
                   std::string updaterName);

    // Downloads the version's package into the staging folder, unpacks it there, checks that it
    // holds the main program exe and that the updater it may carry passes its self-test, flushes
    // it to the disk and renames the version, then the updater, into the updater's folder. True
    // only when all of it succeeded; otherwise nothing outside the staging folder has changed,
    // and the staging folder is gone either way.
    bool DownloadAndInstall(std::u16string version, std::u16string exe);

    std::u16string m_strFolder; // the updater's own folder, ending with "/"
    CInstallationLock m_hMutex; // held while this is the one instance at work on the folder

  private:
    // Starts the main program; false, after the message, when it is missing or cannot start.
    bool Launch(std::u16string version, std::u16string exe);
    // Takes the single-instance lock (a dry run only tests it); false when another holds it.
    bool TakeLock();
    void RemoveLastVersion(CXmlDoc& config, const std::u16string& localVersion) const;
    // What the removal step does with lastVersion; path is the folder it would remove.
    RemovalDecision DecideRemoval(const std::u16string& lastVersion,
                                  const std::u16string& localVersion, std::string& path) const;
    // Under the lock: removes what a killed run left and reads config.xml again, since another
    // instance may have committed since the start. False when config.xml cannot be read now.
    bool PrepareUnderLock(CXmlDoc& config, std::u16string& localVersion) const;
    void CheckForUpdate(CXmlDoc& config, CXmlDoc& record, const std::u16string& localVersion);
    void Commit(CXmlDoc& config, const std::u16string& localVersion,
                const std::u16string& remoteVersion) const;
    std::u16string ConfigPath() const { return m_strFolder + u"config.xml"; }
    // The updater's folder in the file system's encoding; false when that cannot name it.
    bool NativeFolder(std::string& folder) const;

    // The package's file name, version + ".zip"; false when the version cannot be one.
    static bool PackageName(const std::u16string& version, std::string& name);
    // Downloads the version's package into folder and, with a key built in, verifies it;
    // packagePath is where it lies. A package that fails verification is deleted.
    bool DownloadPackage(const std::u16string& version, const std::string& folder,
                         std::string& packagePath) const;
    // Whether everything the archive declares fits beside the disk's reserve in folder.
    static bool HasRoomToExtract(CUnzipper& unzipper, const std::string& folder,
                                 uint64_t& declared);
    // The name of the top-level updater file a package for versionName may hold; empty when
    // none may be, since the updater's name is taken in the staging folder.
    std::string AllowedUpdaterEntry(const std::string& versionName) const;
    // Unpacks the package at packagePath into folder, when its layout is sound and it fits, and
    // deletes the package file; updaterEntry: the top-level updater file it may hold.
    static bool UnpackPackage(const std::string& packagePath, const std::string& folder,
                              const std::string& versionName, const std::string& updaterEntry);
    // True when the staging folder holds no updater updaterEntry, or one that passes its
    // self-test.
    bool IsStagedUpdaterQualified(const std::string& stagingFolder,
                                  const std::string& updaterEntry) const;
    // Renames the staged version tree to folder + versionName in one step, then the staged
    // updater updaterEntry, if any, over the updater's own file, and flushes folder.
    static bool MoveIntoPlace(const std::string& stagingFolder, const std::string& folder,
                              const std::string& versionName, const std::string& updaterEntry);
    // Deltas (delta_install.cpp). The delta that the record offers from the installed version
    // to version; none when it offers none.
    const DeltaPin* OfferedDelta(const std::u16string& version) const;
    // Downloads the delta into staging, resumed where a partial download lies, and checks its
    // pin; a delta that fails the check is deleted.
    bool DownloadDelta(const DeltaPin& delta, const std::string& staging) const;
    // Builds the version in staging from the offered delta and the installed version's files,
    // checks that it holds the main program, flushes it and renames it into folder. False, with
    // nothing of the attempt left but a partial download, when any of it fails.
    bool InstallFromDelta(const std::u16string& version, const std::string& folder,
                          const std::string& staging, const std::string& program) const;
    // The dry run's delta check: download into a temporary folder and apply it there.
    void CheckDelta(const std::u16string& version) const;
    // The dry run's package check: download into a temporary folder, verify, list, delete.
    void CheckPackage(CXmlDoc& config, const std::u16string& version) const;

    bool IsDryRun() const { return m_pDryRun != nullptr; }
    CUpdateReport& Report() const;

    // Signatures, when a public key is built in.
    bool RequiresSignature() const { return m_bRequiresSignature; }
    // Fetches url + ".minisig": true when it is a signature by the built-in key; otherwise
    // reports why not.
    bool FetchSignature(CURL* handle, const std::string& url, Signature& signature) const;
    // Whether data, fetched from url, carries a valid signature there.
    bool IsSignedData(CURL* handle, const std::string& url, const std::string& data,
                      Signature& signature) const;
    // Whether the signature's trusted comment verifies and fits the file fetched from url.
    bool IsSignatureFor(const Signature& signature, const std::string& url) const;
    bool IsSignedFile(const Signature& signature, const std::string& path) const;
    bool IsPinnedFile(const std::string& path) const;

    // The record's bytes from the first server that delivers one (with a key built in: one that
    // verifies and is neither older than newestAccepted nor expired); m_strBaseUrl is left at
    // that server.
    std::string FetchRecord(CURL* handle, int64_t newestAccepted);
    bool IsCurrentRecord(CURL* handle, const std::string& url, const std::string& data,
                         int64_t newestAccepted);
    // With a key built in: the package from the record's server first, then the others,
    // resumed where a partial download lies and verified by its pin or its signature.
    bool DownloadVerifiedPackage(CURL* handle, const std::string& packageName,
                                 const std::string& folder, const std::string& packagePath) const;
    bool DownloadVerifiedPackageFrom(CURL* handle, const std::string& url,
                                     const std::string& folder,
                                     const std::string& packagePath) const;
    std::optional<uint64_t> PinnedSize() const;
    // The dry run's look at a partial download of the package in the installation's folder.
    void ReportPartial(const std::string& packageName) const;

    std::vector<std::string> m_baseUrls; // the server and its mirrors
    std::string m_strBaseUrl;            // the one that gave the record
    TransferLimits m_limits;
    bool m_bRequiresSignature;
    std::vector<PublicKey> m_publicKeys; // the built-in keys; none when one cannot be read
    std::string m_strUpdaterName;        // the updater's own file name in m_strFolder
    std::string m_strCaFile;              // the PEM text of the trusted authorities, built in
    UpdateLibraryNames m_libraryNames;
    CUpdateLibraries m_libraries;       // loaded once this is the one instance at work
    CUpdateReport* m_pDryRun = nullptr; // the dry run's report; none in a real run
    bool m_bCheckPackage = false;
    std::vector<std::string> m_programArguments;
    int m_nExitStatus = 0;
    // What the accepted record said: its package's pin, and when it was signed.
    PinState m_pinState = PinState::Absent;
    PackagePin m_pin;
    int64_t m_acceptedRecordTime = 0;
    // The deltas the accepted record offers, and the version they may start from.
    std::vector<DeltaPin> m_deltaPins;
    std::u16string m_strInstalledVersion;
};
