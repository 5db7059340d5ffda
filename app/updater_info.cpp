#include "app/updater_info.h"

#include <cstdio>

namespace {

constexpr const char* kHelp =
    "usage: updater [ARGUMENT...]\n"
    "       updater --help | --version | --updater-self-test\n"
    "\n"
    "Starts the installed version of the program that config.xml beside this file names, with\n"
    "every ARGUMENT passed on unchanged and in order, then brings the installation up to date\n"
    "from the update server built into it. --help and --version are its own only as the sole\n"
    "argument, and so is --updater-self-test, which starts nothing: it loads what an update\n"
    "needs, prints its version, servers and key ids and ends with status 0 when all is well\n"
    "(the check an installed updater runs on its successor). When config.xml is missing or\n"
    "damaged, or the program cannot be started, it shows a message, starts nothing and ends\n"
    "with status 1.\n";

} // namespace

std::string KeyIdText(const KeyId& id) {
    std::string text;
    for (auto byte = id.rbegin(); byte != id.rend(); ++byte) {
        char digits[3];
        std::snprintf(digits, sizeof digits, "%02X", *byte);
        text += digits;
    }
    return text;
}

std::string KeyIdsText(const std::vector<PublicKey>& keys, const std::string& separator) {
    std::string text;
    for (const PublicKey& key : keys)
        text += (text.empty() ? "" : separator) + KeyIdText(key.keyId);
    return text;
}

std::string UpdaterInfoText(const std::string& argument, const UpdaterBuild& build) {
    if (argument == "--help")
        return kHelp;
    if (argument != "--version")
        return "";
    std::vector<PublicKey> keys;
    ParsePublicKeys(build.publicKey, keys);
    return "updater " + build.version + "\nserver: " + build.baseUrl + "\nsignatures: " +
           (build.publicKey.empty() ? std::string("not required")
            : keys.size() == 1      ? "required, key id " + KeyIdsText(keys, "")
                                    : "required, key ids " + KeyIdsText(keys, ", ")) +
           "\nhttps authorities: " + (build.caBuiltIn ? "built in" : "the system's") + "\n";
}
