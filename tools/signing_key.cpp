#include "tools/signing_key.h"

#include "app/base64.h"
#include "app/signature.h"

#include <sodium.h>

#include <cstring>
#include <ctime>
#include <fstream>

namespace {

// "Ed", the key derivation and checksum algorithms, the derivation's salt and limits, then the
// key id, the key and a checksum.
constexpr size_t kSecretKeySize = 2 + 2 + 2 + 32 + 8 + 8 + 8 + 64 + 32;
constexpr size_t kKeyIdOffset = 2 + 2 + 2 + 32 + 8 + 8;

// A key file's comment line and key line, the latter without its line end.
bool ReadKeyLines(const std::string& path, std::string& comment, std::string& encoded) {
    std::ifstream in(path, std::ios::binary);
    if (!std::getline(in, comment) || !std::getline(in, encoded))
        return false;
    if (!encoded.empty() && encoded.back() == '\r')
        encoded.pop_back();
    return true;
}

std::string AsString(const unsigned char* bytes, size_t size) {
    return {reinterpret_cast<const char*>(bytes), size};
}

std::string Sign(const SecretKey& key, std::string_view message) {
    unsigned char signature[crypto_sign_BYTES];
    crypto_sign_detached(signature, nullptr, reinterpret_cast<const unsigned char*>(message.data()),
                         message.size(), key.key.data());
    return AsString(signature, sizeof signature);
}

} // namespace

bool ReadSecretKey(const std::string& path, SecretKey& key, std::string& error) {
    std::string comment, encoded, bytes;
    if (!ReadKeyLines(path, comment, encoded) || !comment.starts_with(kUntrustedPrefix) ||
        !DecodeBase64(encoded, bytes) || bytes.size() != kSecretKeySize ||
        bytes.compare(0, 2, "Ed") != 0 || bytes.compare(4, 2, "B2") != 0) {
        error = path + " is not a minisign secret key file";
        return false;
    }
    if (bytes.compare(2, 2, std::string(2, '\0')) != 0) {
        error = path + " is encrypted with a password; make an unencrypted key with minisign -G -W "
                       "(or remove the password with minisign -C -W)";
        return false;
    }
    if (sodium_init() < 0) {
        error = "the signature library could not be initialised";
        return false;
    }
    std::memcpy(key.keyId.data(), bytes.data() + kKeyIdOffset, key.keyId.size());
    std::memcpy(key.key.data(), bytes.data() + kKeyIdOffset + key.keyId.size(), key.key.size());
    // The key's second half must be the public key of its first: anything else is damage.
    unsigned char publicKey[crypto_sign_PUBLICKEYBYTES], secretKey[crypto_sign_SECRETKEYBYTES];
    crypto_sign_seed_keypair(publicKey, secretKey, key.key.data());
    if (std::memcmp(secretKey, key.key.data(), sizeof secretKey) != 0) {
        error = path + " is damaged: its two halves do not belong together";
        return false;
    }
    return true;
}
std::string SignData(const SecretKey& key, std::string_view data, const std::string& fileName,
                     std::optional<int64_t> expires) {
    unsigned char hash[crypto_generichash_BYTES_MAX];
    crypto_generichash(hash, sizeof hash, reinterpret_cast<const unsigned char*>(data.data()),
                       data.size(), nullptr, 0);
    const std::string signature = Sign(key, AsString(hash, sizeof hash));
    const std::string trusted = "timestamp:" + std::to_string(std::time(nullptr)) +
                                "\tfile:" + fileName + "\thashed" +
                                (expires ? "\texpires:" + std::to_string(*expires) : std::string());
    const std::string header = "ED" + AsString(key.keyId.data(), key.keyId.size());
    return std::string(kUntrustedPrefix) + "signature from the publisher's secret key\n" +
           EncodeBase64(header + signature) + "\n" + std::string(kTrustedPrefix) + trusted + "\n" +
           EncodeBase64(Sign(key, signature + trusted)) + "\n";
}
