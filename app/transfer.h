#pragma once

#include <curl/curl.h>

#include <cstddef>
#include <string>

// The libcurl easy-interface functions that the transfers call, looked up in a library loaded
// at run time (CUpdateLibraries).
struct CurlFunctions {
    decltype(&curl_easy_init) easy_init = nullptr;
    decltype(&curl_easy_setopt) easy_setopt = nullptr;
    decltype(&curl_easy_perform) easy_perform = nullptr;
    decltype(&curl_easy_cleanup) easy_cleanup = nullptr;
    decltype(&curl_slist_append) slist_append = nullptr;
    decltype(&curl_slist_free_all) slist_free_all = nullptr;
};

// The largest record body kept in memory; a longer one counts as a failed fetch.
inline constexpr size_t kRecordLimit = size_t{1} << 20;

// The bytes of a transfer held in memory, at most kRecordLimit of them.
struct ResponseBuffer {
    std::string bytes;
    bool tooLong = false; // the body passed the limit; bytes is then empty
};

// How long a transfer may take to connect, and how long its average speed may stay below
// lowSpeedBytes a second, before it is abandoned.
struct TransferLimits {
    long connectSeconds = 15;
    long stallSeconds = 60;
    long lowSpeedBytes = 1024;
};

// Write callback into a ResponseBuffer. Takes every byte while the body stays within the
// limit; past it, empties the buffer and takes none, which ends the transfer with an error.
size_t AppendToBuffer(char* data, size_t size, size_t count, void* buffer);

// Write callback into an open FILE. Reports a failed write by taking fewer bytes than given,
// which ends the transfer with an error.
size_t WriteToFile(char* data, size_t size, size_t count, void* stream);

// A plain GET of url into target through write: no redirects followed, any HTTP status taken,
// the limits applied. authorities, when not empty, is the PEM text of the only certificate
// authorities trusted for https://. False when an option was refused.
bool SetTransferOptions(const CurlFunctions& curl, CURL* handle, const std::string& url,
                        curl_write_callback write, void* target, const TransferLimits& limits,
                        const std::string& authorities);

// GET of url into response with SetTransferOptions; true when the whole body arrived.
bool FetchToBuffer(const CurlFunctions& curl, CURL* handle, const std::string& url,
                   ResponseBuffer& response, const TransferLimits& limits,
                   const std::string& authorities);
