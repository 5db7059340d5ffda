#include "app/signature.h"
#include "app/updater_app.h"
#include "platform/mapped_file.h"

namespace {

constexpr const char* kSignatureSuffix = ".minisig";

} // namespace

bool CUpDateApp::FetchSignature(CURL* handle, const std::string& url, Signature& signature) const {
    PublicKey key;
    ResponseBuffer response;
    return ParsePublicKey(m_strPublicKey, key) &&
           FetchToBuffer(m_libraries.curl, handle, url + kSignatureSuffix, response, m_limits,
                         m_strCaFile) &&
           ParseSignature(response.bytes, signature) && signature.keyId == key.keyId;
}

bool CUpDateApp::IsSignedData(CURL* handle, const std::string& url, const std::string& data) const {
    PublicKey key;
    Signature signature;
    return FetchSignature(handle, url, signature) && ParsePublicKey(m_strPublicKey, key) &&
           VerifySignature(m_libraries.sodium, key, signature, data);
}

bool CUpDateApp::IsSignedFile(const Signature& signature, const std::string& path) const {
    PublicKey key;
    CMappedFile file;
    return ParsePublicKey(m_strPublicKey, key) && file.Open(path) &&
           VerifySignature(m_libraries.sodium, key, signature, file.Bytes());
}
