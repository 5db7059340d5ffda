#include "app/signature.h"
#include "app/updater_app.h"

namespace {

constexpr const char* kSignatureSuffix = ".minisig";

} // namespace

bool CUpDateApp::FetchSignature(CURL* handle, const std::string& url, std::string& text) const {
    ResponseBuffer response;
    if (!FetchToBuffer(handle, url + kSignatureSuffix, response, m_limits, m_strCaFile))
        return false;
    text = std::move(response.bytes);
    return true;
}

bool CUpDateApp::IsSignedData(CURL* handle, const std::string& url, const std::string& data) const {
    PublicKey key;
    std::string signature;
    return ParsePublicKey(m_strPublicKey, key) && FetchSignature(handle, url, signature) &&
           VerifySignedData(key, signature, data);
}

bool CUpDateApp::IsSignedFile(const std::string& signature, const std::string& path) const {
    PublicKey key;
    return ParsePublicKey(m_strPublicKey, key) && VerifySignedFile(key, signature, path);
}
