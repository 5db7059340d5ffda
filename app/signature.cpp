#include "app/signature.h"

#include "app/base64.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr size_t kPublicKeySize = 2 + 8 + 32;
constexpr size_t kSignatureSize = 2 + 8 + 64;

// Splits off the next line, without its line end ("\n" or "\r\n"); false at the end of text.
bool NextLine(std::string_view& text, std::string_view& line) {
    if (text.empty())
        return false;
    const size_t end = text.find('\n');
    line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return true;
}

bool DecodeExactly(std::string_view text, size_t size, std::string& bytes) {
    return DecodeBase64(text, bytes) && bytes.size() == size;
}

template <size_t N>
void CopyBytes(const std::string& from, size_t offset, std::array<unsigned char, N>& to) {
    std::memcpy(to.data(), from.data() + offset, N);
}

const unsigned char* Bytes(std::string_view text) {
    return reinterpret_cast<const unsigned char*>(text.data());
}

bool Ed25519Verify(const SodiumFunctions& sodium, const Ed25519Signature& signature,
                   std::string_view message, const PublicKey& key) {
    return sodium.sign_verify_detached(signature.data(), Bytes(message), message.size(),
                                       key.key.data()) == 0;
}

} // namespace

bool ParsePublicKey(const std::string& line, PublicKey& key) {
    std::string bytes;
    if (!DecodeExactly(line, kPublicKeySize, bytes) || bytes.compare(0, 2, "Ed") != 0)
        return false;
    CopyBytes(bytes, 2, key.keyId);
    CopyBytes(bytes, 10, key.key);
    return true;
}

bool ParsePublicKeys(const std::string& lines, std::vector<PublicKey>& keys) {
    keys.clear();
    for (size_t start = lines.find_first_not_of(' '); start != std::string::npos;) {
        const size_t end = std::min(lines.find(' ', start), lines.size());
        if (!ParsePublicKey(lines.substr(start, end - start), keys.emplace_back()))
            return false;
        start = lines.find_first_not_of(' ', end);
    }
    return !keys.empty();
}

const PublicKey* SigningKey(const std::vector<PublicKey>& keys, const Signature& signature) {
    for (const PublicKey& key : keys)
        if (key.keyId == signature.keyId)
            return &key;
    return nullptr;
}

bool ParseSignature(std::string_view text, Signature& signature) {
    std::string_view untrusted, encoded, trusted, encodedGlobal;
    if (!NextLine(text, untrusted) || !NextLine(text, encoded) || !NextLine(text, trusted) ||
        !NextLine(text, encodedGlobal))
        return false;
    if (!untrusted.starts_with(kUntrustedPrefix) || !trusted.starts_with(kTrustedPrefix))
        return false;
    std::string bytes, globalBytes;
    if (!DecodeExactly(encoded, kSignatureSize, bytes) ||
        !DecodeExactly(encodedGlobal, crypto_sign_BYTES, globalBytes))
        return false;
    const std::string algorithm = bytes.substr(0, 2);
    if (algorithm != "Ed" && algorithm != "ED")
        return false;
    signature.prehashed = algorithm == "ED";
    CopyBytes(bytes, 2, signature.keyId);
    CopyBytes(bytes, 10, signature.signature);
    signature.trustedComment = std::string(trusted.substr(kTrustedPrefix.size()));
    CopyBytes(globalBytes, 0, signature.globalSignature);
    return true;
}

bool VerifyTrustedComment(const SodiumFunctions& sodium, const PublicKey& key,
                          const Signature& signature) {
    if (sodium.init() < 0 || signature.keyId != key.keyId)
        return false;
    std::string global(signature.signature.begin(), signature.signature.end());
    global += signature.trustedComment;
    return Ed25519Verify(sodium, signature.globalSignature, global, key);
}

bool VerifySignature(const SodiumFunctions& sodium, const PublicKey& key,
                     const Signature& signature, std::string_view data) {
    if (sodium.init() < 0 || signature.keyId != key.keyId)
        return false;
    std::string hash;
    if (signature.prehashed) {
        hash.resize(crypto_generichash_BYTES_MAX);
        sodium.generichash(reinterpret_cast<unsigned char*>(hash.data()), hash.size(), Bytes(data),
                           data.size(), nullptr, 0);
        data = hash;
    }
    return Ed25519Verify(sodium, signature.signature, data, key) &&
           VerifyTrustedComment(sodium, key, signature);
}
