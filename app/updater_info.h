#pragma once

#include "app/signature.h"

#include <string>
#include <vector>

// What the updater was built with, for its --version.
struct UpdaterBuild {
    std::string version;
    std::string baseUrl;
    std::string publicKey; // the base64 line of the public key; empty for unsigned updates
    bool caBuiltIn = false; // its own certificate authorities for https://
};

// The options the updater answers itself, only as its sole argument: --help (the usage) and
// --version (name, version, server, key id, trusted authorities). Empty when argument is
// neither; every other argument goes to the main program.
std::string UpdaterInfoText(const std::string& argument, const UpdaterBuild& build);

// A key id as minisign prints it: 16 upper-case hex digits, the id read as a little-endian
// number.
std::string KeyIdText(const KeyId& id);
// The key ids of the keys, separated by separator.
std::string KeyIdsText(const std::vector<PublicKey>& keys, const std::string& separator);
