#include "app/transfer.h"

#include <cstdio>

namespace {

// size * count, or nothing when the product does not fit.
bool ByteCount(size_t size, size_t count, size_t& bytes) {
    if (size != 0 && count > static_cast<size_t>(-1) / size)
        return false;
    bytes = size * count;
    return true;
}

} // namespace

size_t AppendToBuffer(char* data, size_t size, size_t count, void* buffer) {
    auto& response = *static_cast<ResponseBuffer*>(buffer);
    size_t bytes = 0;
    if (response.tooLong || !ByteCount(size, count, bytes) ||
        bytes > kRecordLimit - response.bytes.size()) {
        response.bytes.clear();
        response.tooLong = true;
        return 0;
    }
    response.bytes.append(data, bytes);
    return bytes;
}

size_t WriteToFile(char* data, size_t size, size_t count, void* stream) {
    size_t bytes = 0;
    if (!ByteCount(size, count, bytes))
        return 0;
    if (bytes == 0)
        return 0;
    return std::fwrite(data, bytes, 1, static_cast<FILE*>(stream)) == 1 ? bytes : 0;
}

bool SetTransferOptions(const CurlFunctions& curl, CURL* handle, const std::string& url,
                        curl_write_callback write, void* target, const TransferLimits& limits,
                        const std::string& authorities) {
    if (!authorities.empty()) {
        // libcurl copies the text; the blob only has to last for the call.
        curl_blob blob{const_cast<char*>(authorities.data()), authorities.size(), CURL_BLOB_COPY};
        if (curl.easy_setopt(handle, CURLOPT_CAINFO_BLOB, &blob) != CURLE_OK)
            return false;
    }
    return curl.easy_setopt(handle, CURLOPT_URL, url.c_str()) == CURLE_OK &&
           curl.easy_setopt(handle, CURLOPT_WRITEDATA, target) == CURLE_OK &&
           curl.easy_setopt(handle, CURLOPT_WRITEFUNCTION, write) == CURLE_OK &&
           curl.easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, limits.connectSeconds) == CURLE_OK &&
           curl.easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, limits.lowSpeedBytes) == CURLE_OK &&
           curl.easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, limits.stallSeconds) == CURLE_OK;
}

bool FetchToBuffer(const CurlFunctions& curl, CURL* handle, const std::string& url,
                   ResponseBuffer& response, const TransferLimits& limits,
                   const std::string& authorities) {
    return SetTransferOptions(curl, handle, url, AppendToBuffer, &response, limits, authorities) &&
           curl.easy_perform(handle) == CURLE_OK;
}
