#include "app/signature.h"
#include "app/updater_app.h"
#include "platform/mapped_file.h"

namespace {

constexpr const char* kSignatureSuffix = ".minisig";

} // namespace

bool CUpDateApp::FetchSignature(CURL* handle, const std::string& url, Signature& signature) const {
    PublicKey key;
    ResponseBuffer response;
    if (!ParsePublicKey(m_strPublicKey, key))
        return false;
    const std::string signatureUrl = url + kSignatureSuffix;
    const bool fetched = FetchToBuffer(m_libraries.curl, handle, signatureUrl, response, m_limits,
                                       m_strCaFile);
    Report().TransferDone(handle, signatureUrl, fetched);
    return fetched && ParseSignature(response.bytes, signature) && signature.keyId == key.keyId;
}

bool CUpDateApp::IsSignedData(CURL* handle, const std::string& url, const std::string& data) const {
    PublicKey key;
    Signature signature;
    const bool byTheKey = FetchSignature(handle, url, signature);
    const bool valid = byTheKey && ParsePublicKey(m_strPublicKey, key) &&
                       VerifySignature(m_libraries.sodium, key, signature, data);
    Report().SignatureChecked(url, valid      ? SignatureCheck::Valid
                                   : byTheKey ? SignatureCheck::NoMatch
                                              : SignatureCheck::NotByTheKey);
    return valid;
}

bool CUpDateApp::IsSignedFile(const Signature& signature, const std::string& path) const {
    PublicKey key;
    CMappedFile file;
    return ParsePublicKey(m_strPublicKey, key) && file.Open(path) &&
           VerifySignature(m_libraries.sodium, key, signature, file.Bytes());
}
