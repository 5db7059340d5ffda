#include "app/record_time.h"
#include "app/updater_app.h"

#include <ctime>

std::string CUpDateApp::FetchRecord(CURL* handle, int64_t newestAccepted) {
    std::string bytes;
    for (const std::string& base : m_baseUrls) {
        m_strBaseUrl = base;
        ResponseBuffer response;
        const std::string url = base + "record.xml";
        const bool complete =
            FetchToBuffer(m_libraries.curl, handle, url, response, m_limits, m_strCaFile);
        Report().TransferDone(handle, url, complete);
        if (!RequiresSignature()) {
            // Whatever arrived is used; a later server only when this one did not answer whole.
            bytes = std::move(response.bytes);
            if (!complete)
                continue;
            Report().MirrorAnswered(base);
            return bytes;
        }
        // A failed transfer fetches no signature.
        if (complete && IsCurrentRecord(handle, url, response.bytes, newestAccepted)) {
            Report().MirrorAnswered(base);
            return response.bytes;
        }
    }
    // With a key built in, a record without a valid signature counts as one without a version.
    return RequiresSignature() ? std::string() : bytes;
}

bool CUpDateApp::IsCurrentRecord(CURL* handle, const std::string& url, const std::string& data,
                                 int64_t newestAccepted) {
    Signature signature;
    if (!IsSignedData(handle, url, data, signature))
        return false;
    const TrustedComment comment = ParseTrustedComment(signature.trustedComment);
    const int64_t now = std::time(nullptr);
    const RecordAge age = CheckRecordAge(comment, newestAccepted, now);
    Report().RecordAgeChecked(comment, newestAccepted, now, age);
    if (age != RecordAge::Current)
        return false;
    m_acceptedRecordTime = comment.timestamp.value_or(0);
    return true;
}
