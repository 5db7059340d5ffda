#pragma once

#include <sodium.h>

#include <array>
#include <string>
#include <string_view>

using Blake2bHash = std::array<unsigned char, crypto_generichash_BYTES_MAX>;

// libsodium's incremental BLAKE2b, looked up by the caller (the updater loads libsodium at run
// time, the tools link it).
struct Blake2bFunctions {
    decltype(&crypto_generichash_init) init = nullptr;
    decltype(&crypto_generichash_update) update = nullptr;
    decltype(&crypto_generichash_final) final = nullptr;
};

// The BLAKE2b-512 hash of the regular file at path, read in pieces; false when it cannot be read.
bool HashFile(const Blake2bFunctions& blake2b, const std::string& path, Blake2bHash& hash);

// The BLAKE2b-512 hash of bytes.
Blake2bHash HashBytes(const Blake2bFunctions& blake2b, std::string_view bytes);

// 128 lower-case hex digits, and back; false for any other text.
std::string HashToHex(const Blake2bHash& hash);
bool HashFromHex(std::string_view text, Blake2bHash& hash);
