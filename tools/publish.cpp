// publish [--sign SECRET_KEY_FILE [--expires DAYS]] [--updater FILE [--updater-name NAME]]
//         [--delta-from OLD_SOURCE_FOLDER OLD_VERSION]...
//         SOURCE_FOLDER VERSION OUT_FOLDER
// publish --help | --version
// Writes OUT_FOLDER/VERSION.zip (the files of SOURCE_FOLDER beneath a top folder VERSION) and
// OUT_FOLDER/record.xml naming VERSION, the two files an update server offers; with --sign the
// record also pins the package's size and hash, and both get their minisign signatures,
// VERSION.zip.minisig and record.xml.minisig; --expires dates the record's signature; --updater
// adds an updater to the package, which installations switch to; --delta-from writes
// VERSION.from-OLD_VERSION.zip, the delta from that version, pinned in the record.
#include <sodium.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "app/ansi_text.h"
#include "app/folder_name.h"
#include "app/package_pin.h"
#include "app/trusted_comment.h"
#include "app/updater_info.h"
#include "app/updater_self_test.h"
#include "markup/escape.h"
#include "markup/xml_doc.h"
#include "platform/file_system.h"
#include "platform/mapped_file.h"
#include "platform/output_file.h"
#include "tools/info_option.h"
#include "tools/package_writer.h"
#include "tools/publish_delta.h"
#include "tools/signing_key.h"
#include "tools/version_format.h"

namespace {

constexpr const char* kUsage =
    "usage: publish [--sign SECRET_KEY_FILE [--expires DAYS]] [--updater FILE [--updater-name NAME]]\n"
    "               [--delta-from OLD_SOURCE_FOLDER OLD_VERSION]... SOURCE_FOLDER VERSION OUT_FOLDER\n"
    "Writes OUT_FOLDER/VERSION.zip (the files of SOURCE_FOLDER beneath a top folder VERSION)\n"
    "and OUT_FOLDER/record.xml naming VERSION: the two files an update server offers.\n"
    "--sign also pins the package's size and BLAKE2b hash in the record and writes their\n"
    "minisign signatures, VERSION.zip.minisig and record.xml.minisig, with a secret key made\n"
    "by minisign -G -W (not protected by a password); without it, old signatures of those two\n"
    "files in OUT_FOLDER are removed. OUT_FOLDER must exist.\n"
    "--expires DAYS: updaters refuse the record's signature DAYS days from now; re-sign it\n"
    "before then.\n"
    "--updater FILE: the package also carries FILE, a build of the updater, at its top as NAME\n"
    "(--updater-name, default updater: the name of the updater's file in the installations);\n"
    "an installation's updater runs FILE --updater-self-test and, when it passes, puts FILE in\n"
    "its own place. publish runs that self-test too and refuses an updater that fails it.\n"
    "--delta-from (with --sign; repeatable): also writes VERSION.from-OLD_VERSION.zip, the delta\n"
    "from the version whose files are in OLD_SOURCE_FOLDER, and pins it in the record; updaters\n"
    "with OLD_VERSION installed download it instead of the package.\n"
    "VERSION begins with three numbers separated by dots (1.2.0); the updater compares them\n"
    "as numbers and ignores anything after them, which publish warns about.\n"
    "Exit status: 0 published, 1 a file could not be written, 2 bad usage, version or key.\n";

constexpr int64_t kMaxExpiryDays = 36500;

bool WriteRecord(const std::string& path, const std::u16string& version,
                 const std::optional<PackagePin>& pin, const std::vector<DeltaPin>& deltas) {
    std::u16string deltaElements;
    for (const DeltaPin& delta : deltas)
        deltaElements += DeltaPinElement(delta) + u"\r\n";
    CXmlDoc record;
    record.SetText(u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<record>\r\n<Version>" +
                   EscapeMarkup(version, 0) + u"</Version>\r\n" +
                   (pin ? PackagePinElement(*pin) + u"\r\n" : u"") + deltaElements +
                   u"</record>\r\n");
    // Read it back as the updater will before it goes out.
    if (!record.LocateChild(u"Version") || record.ReadChildText() != version)
        return false;
    PackagePin readBack;
    if (pin && (ReadPackagePin(record, readBack) != PinState::Pinned ||
                readBack.size != pin->size || readBack.blake2b != pin->blake2b))
        return false;
    const std::vector<DeltaPin> deltasRead = ReadDeltaPins(record);
    if (deltasRead.size() != deltas.size())
        return false;
    return record.SaveFile(AnsiToUtf16(path));
}

// The size and hash of the package file at path.
bool ComputePin(const std::string& path, PackagePin& pin) {
    CMappedFile file;
    if (!file.Open(path))
        return false;
    pin.size = file.Bytes().size();
    crypto_generichash(pin.blake2b.data(), pin.blake2b.size(),
                       reinterpret_cast<const unsigned char*>(file.Bytes().data()),
                       file.Bytes().size(), nullptr, 0);
    return true;
}

// Writes folder + name + ".minisig", the signature of the file folder + name.
bool WriteSignature(const SecretKey& key, const std::string& folder, const std::string& name,
                    std::optional<int64_t> expires = std::nullopt) {
    CMappedFile file;
    COutputFile signature;
    if (!file.Open(folder + name) || !signature.Create(folder + name + ".minisig"))
        return false;
    const std::string text = SignData(key, file.Bytes(), name, expires);
    const bool written = signature.Write(text.data(), text.size());
    return signature.Close() && written;
}

// Removes folder + name + ".minisig" when it lies there, saying so: it would not match the new
// file. False when it cannot be removed.
bool RemoveStaleSignature(const std::string& folder, const std::string& name) {
    const std::string path = folder + name + ".minisig";
    if (GetPathKind(path) == PathKind::Missing && !IsSymbolicLink(path))
        return true;
    if (!RemoveFile(path)) {
        std::fprintf(stderr, "publish: the stale signature %s could not be removed\n", path.c_str());
        return false;
    }
    std::fprintf(stderr, "publish: removed %s: it signed the file that is now replaced unsigned\n",
                 path.c_str());
    return true;
}

int Usage() {
    std::fputs(kUsage, stderr);
    return 2;
}

bool BadUsage() {
    Usage();
    return false;
}

// What the options before the three operands ask for.
struct PublishOptions {
    std::optional<SecretKey> key;
    std::optional<int64_t> expires;
    std::string updater;
    std::string updaterName = "updater";
};

// Reads and removes the leading options; false, after saying why, when one is bad.
bool ReadOptions(std::vector<std::string>& arguments, PublishOptions& options) {
    bool namedUpdater = false;
    while (!arguments.empty() && arguments[0].starts_with("--")) {
        const std::string option = arguments[0];
        if (arguments.size() < 2)
            return BadUsage();
        const std::string value = arguments[1];
        arguments.erase(arguments.begin(), arguments.begin() + 2);
        if (option == "--sign" && !options.key) {
            if (GetPathKind(value) == PathKind::Missing) {
                std::fprintf(stderr, "publish: the secret key file %s does not exist\n",
                             value.c_str());
                return false;
            }
            std::string error;
            if (!ReadSecretKey(value, options.key.emplace(), error)) {
                std::fprintf(stderr, "publish: %s\n", error.c_str());
                return false;
            }
        } else if (option == "--expires" && !options.expires) {
            int64_t days = 0;
            if (!ParseDecimal(value, days) || days < 1 || days > kMaxExpiryDays) {
                std::fputs("publish: --expires takes a number of days from 1 to 36500\n", stderr);
                return false;
            }
            options.expires = static_cast<int64_t>(std::time(nullptr)) + days * 24 * 60 * 60;
        } else if (option == "--updater" && options.updater.empty()) {
            options.updater = value;
        } else if (option == "--updater-name" && !namedUpdater) {
            namedUpdater = true;
            options.updaterName = value;
        } else {
            return BadUsage();
        }
    }
    if ((options.expires && !options.key) || (namedUpdater && options.updater.empty()))
        return BadUsage();
    if (!options.updater.empty() && !IsSafeFolderName(AnsiToUtf16(options.updaterName))) {
        std::fprintf(stderr, "publish: \"%s\" cannot be the updater's name: it must be a single "
                             "file name\n", options.updaterName.c_str());
        return false;
    }
    return true;
}

std::string JoinedIds(const std::vector<std::string>& ids) {
    std::string text;
    for (const std::string& id : ids)
        text += (text.empty() ? "" : " or ") + id;
    return text;
}

// Runs the updater's self-test as installations will; false, after saying why, when it fails.
// Warns when the updater will not accept signatures by the key that signs this release.
bool CheckUpdater(const PublishOptions& options) {
    const UpdaterQualification qualification = QualifyUpdater(options.updater, options.key.has_value());
    if (qualification.verdict != UpdaterVerdict::Qualified) {
        std::fprintf(stderr, "publish: installations would refuse the updater %s: %s\n",
                     options.updater.c_str(), UpdaterVerdictText(qualification).c_str());
        return false;
    }
    const std::vector<std::string>& ids = qualification.report.keyIds;
    if (options.key && std::find(ids.begin(), ids.end(), KeyIdText(options.key->keyId)) == ids.end())
        std::fprintf(stderr,
                     "publish: warning: the updater %s does not accept the key %s that signs "
                     "this release; installations that take it accept only updates signed by %s\n",
                     options.updater.c_str(), KeyIdText(options.key->keyId).c_str(),
                     ids.empty() ? "no key" : JoinedIds(ids).c_str());
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (AnswerInfoOption(argc, argv, "publish", kUsage))
        return 0;
    std::vector<std::string> arguments(argv + 1, argv + argc);
    std::vector<DeltaFrom> deltas;
    std::string optionError;
    if (!TakeDeltaOptions(arguments, deltas, optionError)) {
        std::fprintf(stderr, "publish: %s\n", optionError.c_str());
        return 2;
    }
    PublishOptions options;
    if (!ReadOptions(arguments, options))
        return 2;
    const std::optional<SecretKey>& key = options.key;
    if (!deltas.empty() && !key) {
        std::fputs("publish: --delta-from needs --sign: only a signed record pins deltas\n", stderr);
        return 2;
    }
    // A delta carries the version's files only: a new updater travels in the package alone.
    if (!deltas.empty() && !options.updater.empty()) {
        std::fputs("publish: --delta-from cannot be combined with --updater: installations get a "
                   "new updater from the full package only\n",
                   stderr);
        return 2;
    }
    if (arguments.size() != 3)
        return Usage();
    const std::string source = arguments[0];
    const std::string version = arguments[1];
    const std::string out = arguments[2] + "/";
    if (!IsSafeFolderName(AnsiToUtf16(version))) {
        std::fprintf(stderr,
                     "publish: \"%s\" cannot be a version: it must be a single folder name\n",
                     version.c_str());
        return 2;
    }
    std::string ignored;
    if (!StartsWithVersionNumbers(version, ignored)) {
        std::fprintf(stderr,
                     "publish: \"%s\" cannot be a version: it must begin with three numbers "
                     "separated by dots, such as 1.2.0\n",
                     version.c_str());
        return 2;
    }
    if (!ignored.empty())
        std::fprintf(stderr,
                     "publish: warning: the updater ignores \"%s\" after the three numbers of "
                     "\"%s\"; versions that differ only there count as the same version\n",
                     ignored.c_str(), version.c_str());
    if (GetPathKind(arguments[2]) != PathKind::Folder) {
        std::fprintf(stderr, "publish: the output folder %s does not exist\n",
                     arguments[2].c_str());
        return 1;
    }
    if (!options.updater.empty() && !CheckUpdater(options))
        return 2;
    if (!key && !(RemoveStaleSignature(out, version + ".zip") &&
                  RemoveStaleSignature(out, "record.xml")))
        return 1;
    std::string error;
    if (!WritePackage(source, version, out + version + ".zip", error, options.updater,
                      options.updaterName)) {
        std::fprintf(stderr, "publish: %s\n", error.c_str());
        return 1;
    }
    // A signed record pins its package: no other bytes can pass for it.
    std::optional<PackagePin> pin;
    if (key && !ComputePin(out + version + ".zip", pin.emplace())) {
        std::fprintf(stderr, "publish: %s%s.zip could not be read back\n", out.c_str(),
                     version.c_str());
        return 1;
    }
    std::vector<DeltaPin> deltaPins;
    if (!WriteDeltas(deltas, source, version, out, deltaPins, error)) {
        std::fprintf(stderr, "publish: %s\n", error.c_str());
        return 1;
    }
    if (!WriteRecord(out + "record.xml", AnsiToUtf16(version), pin, deltaPins)) {
        std::fprintf(stderr, "publish: %srecord.xml could not be written\n", out.c_str());
        return 1;
    }
    if (key && !(WriteSignature(*key, out, version + ".zip") &&
                 WriteSignature(*key, out, "record.xml", options.expires))) {
        std::fprintf(stderr, "publish: the signatures could not be written into %s\n", out.c_str());
        return 1;
    }
    std::printf("published %s: %s%s.zip, %srecord.xml\n", version.c_str(), out.c_str(),
                version.c_str(), out.c_str());
    return 0;
}
