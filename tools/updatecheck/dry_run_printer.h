#pragma once

#include "app/update_report.h"

#include <cstdio>
#include <string>

// Exit status of updatecheck: 0 when the updater would have nothing to complain about, else
// the first problem in the order of the steps.
inline constexpr int kExitNothingWrong = 0;
inline constexpr int kExitConfigMissing = 1;    // config.xml missing or damaged
inline constexpr int kExitUsage = 2;            // bad arguments
inline constexpr int kExitProgramProblem = 3;   // Version or Exe missing, program not startable
inline constexpr int kExitLockHeld = 4;         // another updater holds the lock
inline constexpr int kExitLastVersionStays = 5; // LastVersion names something never removed
inline constexpr int kExitNoUsableRecord = 6;   // transfer, HTTP status, Version or signature
inline constexpr int kExitPackageProblem = 7;   // --package: the package would not install
inline constexpr int kExitNotWritable = 8;      // the installation folder cannot be written

// Prints each step of a dry run to out as it happens, then the decision, and keeps the exit
// status.
class CDryRunPrinter : public CUpdateReport {
  public:
    explicit CDryRunPrinter(FILE* out) : m_out(out) {}

    void ConfigLoaded(const std::u16string& path, const CXmlDoc& config, bool loaded) override;
    void ConfigValueRead(std::u16string_view name, bool found, const std::u16string& text) override;
    void ProgramChosen(const std::string& path, bool representable, bool startable) override;
    void LockTested(bool known, const std::vector<LockHolder>& holders) override;
    void LeftoversFound(const std::vector<std::string>& names) override;
    void RemovalDecided(const std::u16string& lastVersion, RemovalDecision decision) override;
    void TransferOpened(CURL* handle) override;
    void TransferDone(CURL* handle, const std::string& url, bool complete) override;
    void SignatureChecked(const std::string& url, SignatureCheck check, const KeyId& signedWith,
                          const std::vector<PublicKey>& builtIn) override;
    void RemoteVersionRead(const CXmlDoc& record, bool found, const std::u16string& version,
                           bool safe) override;
    void VersionsCompared(const VersionTriple& local, const VersionTriple& remote,
                          bool remoteIsNewer) override;
    void InstallationWritable(const std::string& folder, bool writable) override;
    void UpdateChosen(const std::u16string& version, const std::string& packageUrl) override;
    void PackageChecked(const PackageCheck& check) override;
    void TrustedCommentRead(const std::string& url, const TrustedComment& comment, bool verifies,
                            bool namesFile) override;
    void RecordAgeChecked(const TrustedComment& comment, int64_t newestAccepted, int64_t now,
                          RecordAge age) override;
    void MirrorAnswered(const std::string& baseUrl) override;
    void PackagePinRead(PinState state, const PackagePin& pin) override;
    void PinChecked(const std::string& url, bool matches) override;
    void PartialFound(const std::string& path, const PartialPackage& partial) override;
    // delta_lines.cpp
    void DeltaOffered(const std::u16string& installedVersion, const DeltaPin* delta,
                      std::optional<uint64_t> packageSize) override;
    void DeltaChecked(bool downloaded, bool applied, const DeltaApplyCounts& counts) override;

    // Prints the decision line; the exit status follows.
    void Finish();
    int ExitStatus() const { return m_status; }

  private:
    void Line(const std::string& text);
    void Problem(int status);
    void Decide(std::string decision);
    std::string SignatureText(SignatureCheck check, const KeyId& signedWith,
                              const std::vector<PublicKey>& builtIn) const;
    // Why the record is not used, when nothing else said so first.
    void RecordTrouble(std::string trouble);

    FILE* m_out;
    int m_status = kExitNothingWrong;
    std::string m_decision;
    bool m_updateChosen = false; // transfers and signatures after this concern the package
    std::string m_recordTrouble; // why the record offers no usable version
    char m_transferError[CURL_ERROR_SIZE] = {};
    std::string m_signatureTransfer; // how the last signature transfer failed; empty when it did not
    bool m_packageTransferred = false; // the package's own transfer succeeded
};
