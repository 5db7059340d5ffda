#pragma once

#include <sodium.h>

#include <array>
#include <string>
#include <string_view>
#include <vector>

// Detached signatures in minisign's format: Ed25519 keys, signatures over a file ("Ed") or over
// its BLAKE2b-512 hash ("ED"), each with a trusted comment that a second signature covers.

// The libsodium functions that verification calls, looked up in a library loaded at run time
// (CUpdateLibraries).
// What a signature file's comment lines begin with, and the signature file's name after the
// signed file's.
inline constexpr std::string_view kUntrustedPrefix = "untrusted comment: ";
inline constexpr std::string_view kTrustedPrefix = "trusted comment: ";
inline constexpr std::string_view kSignatureSuffix = ".minisig";

struct SodiumFunctions {
    decltype(&sodium_init) init = nullptr;
    decltype(&crypto_generichash) generichash = nullptr;
    decltype(&crypto_sign_verify_detached) sign_verify_detached = nullptr;
};

using KeyId = std::array<unsigned char, 8>;
using Ed25519Signature = std::array<unsigned char, 64>;

struct PublicKey {
    KeyId keyId{};
    std::array<unsigned char, 32> key{};
};

struct Signature {
    bool prehashed = false; // "ED": the signature covers the BLAKE2b-512 hash of the data
    KeyId keyId{};
    Ed25519Signature signature{};
    std::string trustedComment;         // the text after "trusted comment: "
    Ed25519Signature globalSignature{}; // covers signature followed by trustedComment
};

// The one base64 line of a public key file: "Ed", the key id and the key.
bool ParsePublicKey(const std::string& line, PublicKey& key);
// Several such lines separated by spaces; false when there is none or one is not a key.
bool ParsePublicKeys(const std::string& lines, std::vector<PublicKey>& keys);
// The key of keys that made the signature, by its key id; nullptr when none did.
const PublicKey* SigningKey(const std::vector<PublicKey>& keys, const Signature& signature);

// A signature file's four lines: untrusted comment, signature, trusted comment, global signature.
bool ParseSignature(std::string_view text, Signature& signature);

// True when the signature is by this key and its trusted comment verifies: the comment can be
// trusted before the data arrives.
bool VerifyTrustedComment(const SodiumFunctions& sodium, const PublicKey& key,
                          const Signature& signature);

// True only when the signature is by this key, covers data and its trusted comment verifies.
bool VerifySignature(const SodiumFunctions& sodium, const PublicKey& key,
                     const Signature& signature, std::string_view data);
