#include "app/updater_info.h"

#include <cstdio>

namespace {

constexpr const char* kHelp =
    "usage: updater [ARGUMENT...]\n"
    "       updater --help | --version\n"
    "\n"
    "Starts the installed version of the program that config.xml beside this file names, with\n"
    "every ARGUMENT passed on unchanged and in order, then brings the installation up to date\n"
    "from the update server built into it. --help and --version are its own only as the sole\n"
    "argument. When config.xml is missing or damaged, or the program cannot be started, it\n"
    "shows a message, starts nothing and ends with status 1.\n";

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

std::string KeyIdText(const std::string& publicKeyLine) {
    PublicKey key;
    return ParsePublicKey(publicKeyLine, key) ? KeyIdText(key.keyId) : "";
}

std::string UpdaterInfoText(const std::string& argument, const UpdaterBuild& build) {
    if (argument == "--help")
        return kHelp;
    if (argument != "--version")
        return "";
    return "updater " + build.version + "\nserver: " + build.baseUrl + "\nsignatures: " +
           (build.publicKey.empty() ? std::string("not required")
                                    : "required, key id " + KeyIdText(build.publicKey)) +
           "\nhttps authorities: " + (build.caBuiltIn ? "built in" : "the system's") + "\n";
}
