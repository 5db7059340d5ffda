#pragma once

#include "app/delta_pin.h"
#include "delta/delta_apply.h"

#include "app/signature.h"
#include "app/package_pin.h"
#include "app/record_time.h"
#include "app/resumable_download.h"
#include "app/trusted_comment.h"
#include "app/updater_self_test.h"
#include "app/version.h"
#include "platform/installation_lock.h"
#include "unzip/zip_entry_info.h"

#include <curl/curl.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class CXmlDoc;

// What the removal step does with LastVersion.
enum class RemovalDecision {
    NothingNamed,     // absent or empty: nothing to remove
    NotAFolderName,   // not one plain folder name: left alone
    InstalledVersion, // names the installed version: left alone
    Unrepresentable,  // cannot be named in the file system's encoding: left alone
    NotAFolder,       // a file or a link lies there: it stays, and so does LastVersion
    InUse,            // a running process uses something inside: it stays, and so does LastVersion
    AlreadyGone,      // nothing lies there: LastVersion is emptied
    RemoveFolder,     // the folder is removed, then LastVersion is emptied
};

// The outcome of one signature check.
enum class SignatureCheck {
    NotFetched,    // the signature file's transfer failed
    NotASignature, // what arrived is not a signature file
    OtherKey,      // a signature by another key
    NoMatch,       // by the key, but not over these bytes
    Valid,
};

// What the dry run learns of a package it downloaded into a temporary folder.
struct PackageCheck {
    bool downloaded = false; // and, with a key built in, its signature verified
    bool opened = false;
    bool listed = false; // the archive's directory was read to its end
    uint64_t declaredBytes = 0;
    bool roomForIt = false;    // the declared sizes fit beside the installation's disk reserve
    bool holdsProgram = false; // an entry at VERSION/EXE that is not a folder
    bool layoutSound = false;  // every entry beneath the one folder VERSION, no names alike
    std::vector<ZipEntryInfo> entries;
    std::string updaterName;             // the top-level updater file it may carry
    bool carriesUpdater = false;         // it does
    UpdaterQualification updater;        // that updater's self-test, run from a temporary copy
};

// Receives what one start of the updater finds and decides, step by step. Every method does
// nothing here; the updater reports to this, the dry run to a report that prints.
class CUpdateReport {
  public:
    virtual ~CUpdateReport() = default;

    virtual void ConfigLoaded(const std::u16string& /*path*/, const CXmlDoc& /*config*/,
                              bool /*loaded*/) {}
    // An element of config.xml read at the start; text is empty when it was not found.
    virtual void ConfigValueRead(std::u16string_view /*name*/, bool /*found*/,
                                 const std::u16string& /*text*/) {}
    // The main program's full path; representable is false when the file system's encoding
    // cannot name it. Unless startable (an executable file), nothing is started and the run
    // ends with a message.
    virtual void ProgramChosen(const std::string& /*path*/, bool /*representable*/,
                               bool /*startable*/) {}
    // The processes holding the installation's lock; known is false when it could not be told.
    virtual void LockTested(bool /*known*/, const std::vector<LockHolder>& /*holders*/) {}
    // What a killed run left in the installation folder, which this start removes first.
    virtual void LeftoversFound(const std::vector<std::string>& /*names*/) {}
    virtual void RemovalDecided(const std::u16string& /*lastVersion*/, RemovalDecision) {}

    // A transfer handle was made; a report may set options of its own on it.
    virtual void TransferOpened(CURL* /*handle*/) {}
    // A transfer of url on handle ended; complete when the whole body arrived.
    virtual void TransferDone(CURL* /*handle*/, const std::string& /*url*/, bool /*complete*/) {}
    // The signature of url; signedWith is the key id the signature names (OtherKey, NoMatch,
    // Valid), builtIn the keys the updater accepts.
    virtual void SignatureChecked(const std::string& /*url*/, SignatureCheck,
                                  const KeyId& /*signedWith*/,
                                  const std::vector<PublicKey>& /*builtIn*/) {}

    // The record's Version: found or not, its text, and whether it may name a folder.
    virtual void RemoteVersionRead(const CXmlDoc& /*record*/, bool /*found*/,
                                   const std::u16string& /*version*/, bool /*safe*/) {}
    virtual void VersionsCompared(const VersionTriple& /*local*/, const VersionTriple& /*remote*/,
                                  bool /*remoteIsNewer*/) {}
    // Whether this user may write the installation folder; an update is installed only then.
    virtual void InstallationWritable(const std::string& /*folder*/, bool /*writable*/) {}
    // The update that would be downloaded from packageUrl and installed.
    virtual void UpdateChosen(const std::u16string& /*version*/,
                              const std::string& /*packageUrl*/) {}
    virtual void PackageChecked(const PackageCheck&) {}

    // A signature by the built-in key for url: its trusted comment's fields, whether that
    // comment's own signature verifies and whether it names the file fetched (or none).
    virtual void TrustedCommentRead(const std::string& /*url*/, const TrustedComment&,
                                    bool /*verifies*/, bool /*namesFile*/) {}
    // The record's age against RecordTime (newestAccepted) and the time now.
    virtual void RecordAgeChecked(const TrustedComment&, int64_t /*newestAccepted*/,
                                  int64_t /*now*/, RecordAge) {}
    // The server of baseUrl delivered the record that is used.
    virtual void MirrorAnswered(const std::string& /*baseUrl*/) {}
    // The record's Package element, with a key built in.
    virtual void PackagePinRead(PinState, const PackagePin&) {}
    // The downloaded package from url has, or has not, its pinned size and hash.
    virtual void PinChecked(const std::string& /*url*/, bool /*matches*/) {}
    // A partial download of the package at path + ".part" and what of it would be resumed.
    virtual void PartialFound(const std::string& /*path*/, const PartialPackage&) {}
    // The delta the record offers from the installed version (none: null), beside the size the
    // record pins for the package (none when it pins none).
    virtual void DeltaOffered(const std::u16string& /*installedVersion*/, const DeltaPin* /*delta*/,
                              std::optional<uint64_t> /*packageSize*/) {}
    // The package check's application of the delta into a temporary folder, every hash checked.
    virtual void DeltaChecked(bool /*downloaded*/, bool /*applied*/, const DeltaApplyCounts&) {}
};
