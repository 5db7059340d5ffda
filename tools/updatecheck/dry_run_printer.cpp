#include "dry_run_printer.h"

#include "app/ansi_text.h"
#include "app/signature.h"
#include "app/updater_app.h"
#include "app/updater_info.h"
#include "platform/program_file.h"
#include "tools/xmlcheck/check_report.h"
#include "unzip/entry_mode.h"

#include <cinttypes>
#include <optional>
#include <sstream>
#include <utility>

namespace {

std::string Native(const std::u16string& text) {
    return Utf16ToAnsi(text);
}

std::string VersionText(const VersionTriple& version) {
    return std::to_string(version.first) + "." + std::to_string(version.second) + "." +
           std::to_string(version.third);
}

// Each line of text, indented by two spaces.
std::string Indented(const std::string& text) {
    std::istringstream in(text);
    std::string out;
    for (std::string line; std::getline(in, line);)
        out += "  " + line + "\n";
    return out;
}

const char* RemovalText(RemovalDecision decision) {
    switch (decision) {
    case RemovalDecision::NothingNamed:
        return "empty: nothing to remove";
    case RemovalDecision::NotAFolderName:
        return "not a plain folder name: left alone, never removed";
    case RemovalDecision::InstalledVersion:
        return "names the installed version: left alone, never removed";
    case RemovalDecision::Unrepresentable:
        return "cannot be named in the file system's encoding: left alone, never removed";
    case RemovalDecision::NotAFolder:
        return "a file or a link lies there, not a folder: it stays, and so does LastVersion";
    case RemovalDecision::InUse:
        return "a running process uses it (program, working folder, open or mapped file): it "
               "stays, and so does LastVersion, until a start finds it unused";
    case RemovalDecision::AlreadyGone:
        return "nothing lies there: LastVersion would be emptied and config.xml saved";
    case RemovalDecision::RemoveFolder:
        return "the folder would be removed, LastVersion emptied and config.xml saved";
    }
    return "";
}

const char* AgeText(RecordAge age) {
    switch (age) {
    case RecordAge::Current:
        return "current";
    case RecordAge::Older:
        return "OLDER than the newest record accepted here (a replay): refused";
    case RecordAge::Expired:
        return "EXPIRED: refused";
    case RecordAge::Malformed:
        return "a timestamp or expiry that is not a number: refused";
    }
    return "";
}

// A span of seconds from now, as "N s ago" or "in N s".
std::string Relative(int64_t seconds, int64_t now) {
    return seconds <= now ? std::to_string(now - seconds) + " s ago"
                          : "in " + std::to_string(seconds - now) + " s";
}

std::string FileKind(const ZipEntryInfo& entry) {
    if (entry.isFolder)
        return "folder";
    if (IsLinkEntry(entry))
        return "link";
    const std::optional<unsigned> mode = UnixMode(entry);
    return mode && (*mode & 0111) != 0 ? "file, executable" : "file";
}

} // namespace

void CDryRunPrinter::Line(const std::string& text) {
    std::fputs((text + "\n").c_str(), m_out);
}

void CDryRunPrinter::Problem(int status) {
    if (m_status == kExitNothingWrong)
        m_status = status;
}

void CDryRunPrinter::Decide(std::string decision) {
    if (m_decision.empty())
        m_decision = std::move(decision);
}

void CDryRunPrinter::RecordTrouble(std::string trouble) {
    if (!m_updateChosen && m_recordTrouble.empty())
        m_recordTrouble = std::move(trouble);
}

void CDryRunPrinter::ConfigLoaded(const std::u16string& path, const CXmlDoc& config, bool loaded) {
    Line("config: " + Native(path) + (loaded ? " loaded" : " NOT loaded"));
    std::fputs(Indented(CheckSummary(config, CheckStatus(config, loaded))).c_str(), m_out);
    if (!loaded) {
        Problem(kExitConfigMissing);
        Decide("stop: config.xml is missing or damaged; the updater would show its message "
               "(please reinstall) and start nothing");
    }
}

void CDryRunPrinter::ConfigValueRead(std::u16string_view name, bool found,
                                     const std::u16string& text) {
    const std::string label(name.begin(), name.end());
    Line(label + ": " + (found ? "\"" + Native(text) + "\"" : "(missing)"));
    if (!found)
        Problem(kExitProgramProblem);
}

void CDryRunPrinter::ProgramChosen(const std::string& path, bool representable, bool startable) {
    std::string found = " cannot be named in the file system's encoding";
    if (representable) {
        const ProgramFileState state = InspectProgramFile(path);
        found =
            std::string(" (") + (state.exists ? "exists" : "does not exist") +
            (state.exists ? state.regularFile ? ", regular file" : ", not a regular file" : "") +
            (state.regularFile ? state.executable ? ", executable" : ", not executable" : "") + ")";
    }
    if (startable) {
        Line("program: " + path + found + ": would be started");
        return;
    }
    Line("program: " + path + found +
         ": would not start: the updater would show its message "
         "naming this path");
    Problem(kExitProgramProblem);
    Decide("stop: the program cannot be started; the updater would show its message (please "
           "reinstall) and neither remove, check nor install anything");
}

void CDryRunPrinter::LockTested(bool known, const std::vector<LockHolder>& holders) {
    if (!known) {
        Line("lock: cannot tell whether another updater holds it (/proc/locks unreadable, or " +
             std::string(kInstallationLockName) + " is no regular file)");
        return;
    }
    if (holders.empty()) {
        Line("lock: free (the updater would take it)");
        return;
    }
    Line("lock: held by another updater right now");
    for (const LockHolder& holder : holders)
        Line("  held by process " + std::to_string(holder.pid) +
             (holder.program.empty() ? "" : " (" + holder.program + ")"));
    Problem(kExitLockHeld);
    Decide("stop after starting the program: another updater holds the lock, so this start "
           "would neither remove, check nor install anything");
}

void CDryRunPrinter::LeftoversFound(const std::vector<std::string>& names) {
    for (const std::string& name : names)
        Line("leftover of a killed run: " + name + " (would be removed)");
}

void CDryRunPrinter::RemovalDecided(const std::u16string& lastVersion, RemovalDecision decision) {
    Line("LastVersion: " +
         (lastVersion.empty() ? std::string() : "\"" + Native(lastVersion) + "\", ") +
         RemovalText(decision));
    if (decision != RemovalDecision::NothingNamed && decision != RemovalDecision::AlreadyGone &&
        decision != RemovalDecision::RemoveFolder)
        Problem(kExitLastVersionStays);
}

void CDryRunPrinter::TransferOpened(CURL* handle) {
    curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, m_transferError);
}

void CDryRunPrinter::TransferDone(CURL* handle, const std::string& url, bool complete) {
    long httpStatus = 0;
    curl_off_t bytes = 0;
    curl_off_t microseconds = 0;
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &httpStatus);
    curl_easy_getinfo(handle, CURLINFO_SIZE_DOWNLOAD_T, &bytes);
    curl_easy_getinfo(handle, CURLINFO_TOTAL_TIME_T, &microseconds);
    char result[160];
    std::snprintf(result, sizeof result, "HTTP %ld, %" CURL_FORMAT_CURL_OFF_T " bytes in %.3f s",
                  httpStatus, bytes, static_cast<double>(microseconds) / 1e6);
    Line("transfer: " + url);
    Line("  result: " + std::string(result) +
         (complete ? ", complete" : ", FAILED: " + std::string(m_transferError)));
    const bool success = complete && httpStatus >= 200 && httpStatus <= 299;
    // Only the record's and the package's own transfers; their signatures are judged apart.
    if (url.ends_with(kSignatureSuffix)) {
        m_signatureTransfer = success    ? ""
                              : complete ? "HTTP " + std::to_string(httpStatus)
                                         : "no answer: " + std::string(m_transferError);
        return;
    }
    // A record from the next mirror: what the one before lacked no longer counts.
    if (!m_updateChosen && m_status == kExitNoUsableRecord) {
        m_status = kExitNothingWrong;
        m_recordTrouble.clear();
    }
    if (m_updateChosen)
        m_packageTransferred = success;
    if (success)
        return;
    Problem(m_updateChosen ? kExitPackageProblem : kExitNoUsableRecord);
    if (!m_updateChosen)
        m_recordTrouble = complete ? "the server answered HTTP " + std::to_string(httpStatus)
                                   : "the record could not be fetched";
}

std::string CDryRunPrinter::SignatureText(SignatureCheck check, const KeyId& signedWith,
                                          const std::vector<PublicKey>& builtIn) const {
    const std::string ids =
        "key id " + KeyIdText(signedWith) + " (expected " + KeyIdsText(builtIn, " or ") + ")";
    switch (check) {
    case SignatureCheck::NotFetched:
    case SignatureCheck::NotASignature:
        if (!m_signatureTransfer.empty())
            return "transfer failed (" + m_signatureTransfer + ")";
        return check == SignatureCheck::NotFetched ? "transfer failed" : "not a signature file";
    case SignatureCheck::OtherKey:
        return "signed by " + ids;
    case SignatureCheck::NoMatch:
        return "by the built-in key " + KeyIdText(signedWith) + " but does not match the file";
    case SignatureCheck::Valid:
        return "valid";
    }
    return "";
}

void CDryRunPrinter::SignatureChecked(const std::string& url, SignatureCheck check,
                                      const KeyId& signedWith,
                                      const std::vector<PublicKey>& builtIn) {
    Line("signature of " + url + ": " + SignatureText(check, signedWith, builtIn));
    if (check == SignatureCheck::Valid)
        return;
    RecordTrouble("the record's signature is not valid, so it counts as one without a version");
    Problem(m_updateChosen ? kExitPackageProblem : kExitNoUsableRecord);
}

void CDryRunPrinter::RemoteVersionRead(const CXmlDoc& record, bool found,
                                       const std::u16string& version, bool safe) {
    if (!found && !record.report.empty())
        Line("record: " + Native(record.report));
    Line("offered Version: " +
         (found ? "\"" + Native(version) + "\"" +
                      (safe ? " (a plain folder name)" : " (NOT a plain folder name)")
                : std::string("(none)")));
    if (safe)
        return;
    Problem(kExitNoUsableRecord);
    if (!m_recordTrouble.empty())
        Decide("nothing to do: " + m_recordTrouble);
    else if (!found)
        Decide("nothing to do: the record offers no version");
    else
        Decide("nothing to do: the offered version is not a plain folder name, so it is refused");
}

void CDryRunPrinter::VersionsCompared(const VersionTriple& local, const VersionTriple& remote,
                                      bool remoteIsNewer) {
    Line("comparison: installed " + VersionText(local) + (remoteIsNewer ? " < " : " >= ") +
         "offered " + VersionText(remote));
    if (!remoteIsNewer)
        Decide("nothing to do: the installed version is not older than the offered one");
}

void CDryRunPrinter::InstallationWritable(const std::string& folder, bool writable) {
    if (writable)
        return;
    Line("installation folder: " + folder + " cannot be written by this user");
    Problem(kExitNotWritable);
    Decide("nothing installed: this user cannot write the installation folder, so the package "
           "would not even be downloaded");
}

void CDryRunPrinter::UpdateChosen(const std::u16string& version, const std::string& packageUrl) {
    m_updateChosen = true;
    Decide("would download " + packageUrl + " and install " + Native(version));
}

void CDryRunPrinter::PackageChecked(const PackageCheck& check) {
    std::string refusal;
    if (!check.downloaded)
        refusal = "it could not be downloaded, or its signature refused it";
    else if (!check.opened)
        refusal = "it is not a readable zip archive";
    else if (!check.listed)
        refusal = "its directory cannot be read to its end";
    else if (!check.roomForIt)
        refusal = "what it declares does not fit beside the disk's reserve";
    else if (!check.layoutSound)
        refusal = "not every entry lies beneath the one top folder named as the version" +
                  (check.updaterName.empty() ? std::string()
                                             : " (but for an updater named " + check.updaterName + ")") +
                  ", or two names differ only in letter case";
    else if (!check.holdsProgram)
        refusal = "it does not hold the main program that Exe names";
    else if (check.carriesUpdater && check.updater.verdict != UpdaterVerdict::Qualified)
        refusal = "the updater it carries would not take this one's place: " +
                  UpdaterVerdictText(check.updater);
    Line(std::string("package: ") + (check.downloaded ? "downloaded into a temporary folder"
                                     : m_packageTransferred
                                         ? "downloaded, refused by its signature check and deleted"
                                         : "NOT downloaded"));
    if (check.opened) {
        Line("  declared size: " + std::to_string(check.declaredBytes) + " bytes, " +
             (check.roomForIt ? "fits beside the disk's reserve" : "does NOT fit"));
        Line(std::string("  layout: ") + (check.layoutSound
                                              ? "every entry beneath the version's folder"
                                              : "NOT every entry beneath the version's folder"));
        Line("  new updater: " + (check.carriesUpdater ? check.updaterName + ": " +
                                                             UpdaterVerdictText(check.updater)
                                                       : std::string("none")));
        Line(std::string("  main program: ") +
             (check.holdsProgram ? "in the package" : "NOT in the package"));
        Line("  entries: " + std::to_string(check.entries.size()));
        for (const ZipEntryInfo& entry : check.entries)
            Line("    " + entry.name + "  " + std::to_string(entry.uncompressedSize) + " bytes, " +
                 FileKind(entry));
    }
    if (check.downloaded)
        Line("package: the temporary copy is deleted");
    if (refusal.empty())
        return;
    Problem(kExitPackageProblem);
    m_decision += ", but the package would be refused: " + refusal +
                  "; nothing would be recorded and the next start would try again";
}

void CDryRunPrinter::Finish() {
    Decide("stop: the update check could not start (no transfer handle)");
    Line("decision: " + m_decision);
}

void CDryRunPrinter::TrustedCommentRead(const std::string& url, const TrustedComment& comment,
                                        bool verifies, bool namesFile) {
    Line("trusted comment of " + url + kSignatureSuffix.data() + ":");
    Line("  timestamp: " + (comment.timestamp ? std::to_string(*comment.timestamp) : "(none)") +
         ", file: " + (comment.file ? "\"" + *comment.file + "\"" : "(none)") +
         ", expires: " + (comment.expires ? std::to_string(*comment.expires) : "(never)"));
    Line(std::string("  its signature: ") + (verifies ? "valid" : "NOT valid") + "; file name: " +
         (!namesFile     ? "names ANOTHER file: refused"
          : comment.file ? "matches"
                         : "not named"));
    if (!namesFile)
        RecordTrouble("the record's signature was made for another file");
}

void CDryRunPrinter::RecordAgeChecked(const TrustedComment& comment, int64_t newestAccepted,
                                      int64_t now, RecordAge age) {
    Line(
        "record age: signed " +
        (comment.timestamp ? Relative(*comment.timestamp, now) : std::string("at no stated time")) +
        "; newest accepted here (RecordTime): " +
        (newestAccepted ? Relative(newestAccepted, now) : std::string("none")) +
        "; expiry: " + (comment.expires ? Relative(*comment.expires, now) : std::string("none")) +
        ": " + AgeText(age));
    if (age == RecordAge::Current)
        return;
    Problem(kExitNoUsableRecord);
    RecordTrouble(age == RecordAge::Expired ? "the record has expired"
                  : age == RecordAge::Older ? "the record is older than one accepted before"
                                            : "the record's trusted comment is malformed");
}

void CDryRunPrinter::MirrorAnswered(const std::string& baseUrl) {
    Line("record taken from: " + baseUrl);
}

void CDryRunPrinter::PackagePinRead(PinState state, const PackagePin& pin) {
    switch (state) {
    case PinState::Absent:
        Line("package pin: none (the package's own signature is required)");
        return;
    case PinState::Pinned:
        Line("package pin: " + std::to_string(pin.size) + " bytes, BLAKE2b " +
             LowerHex(pin.blake2b.data(), pin.blake2b.size()) + " (no package signature needed)");
        return;
    case PinState::Malformed:
        Line("package pin: a Package element that cannot be read: nothing would be downloaded");
        Problem(kExitPackageProblem);
        return;
    }
}

void CDryRunPrinter::PinChecked(const std::string& url, bool matches) {
    Line("pin of " + url + ": " +
         (matches ? "size and hash match" : std::string("size or hash does NOT match")));
    if (!matches)
        Problem(kExitPackageProblem);
}

void CDryRunPrinter::PartialFound(const std::string& path, const PartialPackage& partial) {
    if (!partial.present) {
        Line("partial download: none");
        return;
    }
    const std::string file =
        path + kPartialSuffix.data() + ", " + std::to_string(partial.bytes) + " bytes: ";
    if (partial.resumable)
        Line("partial download: " + file + "would be resumed from byte " +
             std::to_string(partial.bytes) + " if the server's file is still " + partial.validator);
    else
        Line("partial download: " + file + "would be discarded (" +
             (partial.validator.empty() ? "no ETag or Last-Modified kept"
                                        : "older than 7 days or larger than the pinned size") +
             ")");
}
