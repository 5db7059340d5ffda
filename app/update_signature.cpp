#include "app/signature.h"
#include "app/trusted_comment.h"
#include "app/updater_app.h"
#include "platform/mapped_file.h"

bool CUpDateApp::FetchSignature(CURL* handle, const std::string& url, Signature& signature) const {
    ResponseBuffer response;
    if (m_publicKeys.empty())
        return false;
    const std::string signatureUrl = url + std::string(kSignatureSuffix);
    const bool fetched =
        FetchToBuffer(m_libraries.curl, handle, signatureUrl, response, m_limits, m_strCaFile);
    Report().TransferDone(handle, signatureUrl, fetched);
    const SignatureCheck refusal =
        !fetched                                     ? SignatureCheck::NotFetched
        : !ParseSignature(response.bytes, signature) ? SignatureCheck::NotASignature
        : !SigningKey(m_publicKeys, signature)       ? SignatureCheck::OtherKey
                                                     : SignatureCheck::Valid;
    if (refusal != SignatureCheck::Valid)
        Report().SignatureChecked(url, refusal, signature.keyId, m_publicKeys);
    return refusal == SignatureCheck::Valid;
}

bool CUpDateApp::IsSignatureFor(const Signature& signature, const std::string& url) const {
    const PublicKey* key = SigningKey(m_publicKeys, signature);
    const bool verifies = key && VerifyTrustedComment(m_libraries.sodium, *key, signature);
    const TrustedComment comment = ParseTrustedComment(signature.trustedComment);
    // A signature made for another file must not pass for this one.
    const bool namesFile = NamesFile(comment, FileNameOfUrl(url));
    Report().TrustedCommentRead(url, comment, verifies, namesFile);
    return verifies && namesFile;
}

bool CUpDateApp::IsSignedData(CURL* handle, const std::string& url, const std::string& data,
                              Signature& signature) const {
    if (!FetchSignature(handle, url, signature))
        return false;
    const bool valid = IsSignatureFor(signature, url) &&
                       VerifySignature(m_libraries.sodium, *SigningKey(m_publicKeys, signature),
                                       signature, data);
    Report().SignatureChecked(url, valid ? SignatureCheck::Valid : SignatureCheck::NoMatch,
                              signature.keyId, m_publicKeys);
    return valid;
}

bool CUpDateApp::IsSignedFile(const Signature& signature, const std::string& path) const {
    CMappedFile file;
    const PublicKey* key = SigningKey(m_publicKeys, signature);
    return key && file.Open(path) &&
           VerifySignature(m_libraries.sodium, *key, signature, file.Bytes());
}

bool CUpDateApp::IsPinnedFile(const std::string& path) const {
    CMappedFile file;
    return file.Open(path) && MatchesPin(m_libraries.sodium, m_pin, file.Bytes());
}
