#pragma once

#include "app/signature.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct SecretKey {
    KeyId keyId{};
    std::array<unsigned char, 64> key{}; // Ed25519 seed followed by the public key
};

// Reads a minisign secret key file that is not encrypted with a password (minisign -G -W).
// False, with error saying why, for anything else.
bool ReadSecretKey(const std::string& path, SecretKey& key, std::string& error);

// The text of a signature file for data: signed over its BLAKE2b-512 hash, with the trusted
// comment "timestamp:SECONDS<TAB>file:FILE_NAME<TAB>hashed", followed by
// "<TAB>expires:SECONDS" when it expires.
std::string SignData(const SecretKey& key, std::string_view data, const std::string& fileName,
                     std::optional<int64_t> expires = std::nullopt);
