#include "app/resumable_download.h"

#include "platform/disk_space.h"
#include "platform/file_system.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

constexpr long kPartialContent = 206;
constexpr long kWholeContent = 200;
constexpr long kRangeNotSatisfiable = 416;

// What the response's header says; reset at each status line.
struct ResponseHead {
    long status = 0;
    std::string etag;
    std::string lastModified;
    std::string contentRange;
};

struct Download {
    std::string partPath;
    std::string validatorPath;
    std::string folder;
    std::optional<uint64_t> limit;
    uint64_t offset = 0; // the bytes asked to be resumed
    ResponseHead head;
    FILE* stream = nullptr;
    uint64_t total = 0;   // bytes in the partial file
    bool discard = false; // the partial file cannot be resumed
};

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' ||
                             text.back() == '\n'))
        text.remove_suffix(1);
    return text;
}

size_t OnHeader(char* data, size_t size, size_t count, void* target) {
    ResponseHead& head = static_cast<Download*>(target)->head;
    const std::string_view line = Trim(std::string_view(data, size * count));
    if (line.starts_with("HTTP/")) {
        head = {};
        const size_t space = line.find(' ');
        if (space != std::string_view::npos)
            head.status = std::strtol(std::string(line.substr(space + 1, 3)).c_str(), nullptr, 10);
        return size * count;
    }
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos)
        return size * count;
    const std::string_view name = line.substr(0, colon);
    const std::string value(Trim(line.substr(colon + 1)));
    if (EqualsIgnoreCase(name, "ETag"))
        head.etag = value;
    else if (EqualsIgnoreCase(name, "Last-Modified"))
        head.lastModified = value;
    else if (EqualsIgnoreCase(name, "Content-Range"))
        head.contentRange = value;
    return size * count;
}

// If-Range takes a strong ETag or a date.
std::string ValidatorOf(const ResponseHead& head) {
    return !head.etag.empty() && !head.etag.starts_with("W/") ? head.etag : head.lastModified;
}

std::string ReadSmallFile(const std::string& path) {
    std::unique_ptr<FILE, decltype(&std::fclose)> file(std::fopen(path.c_str(), "rb"), std::fclose);
    char buffer[512];
    if (!file)
        return {};
    const size_t read = std::fread(buffer, 1, sizeof buffer, file.get());
    return std::string(buffer, read);
}

bool WriteSmallFile(const std::string& path, const std::string& text) {
    std::unique_ptr<FILE, decltype(&std::fclose)> file(std::fopen(path.c_str(), "wb"), std::fclose);
    return file && std::fwrite(text.data(), 1, text.size(), file.get()) == text.size() &&
           std::fclose(file.release()) == 0;
}

void Discard(const Download& download) {
    RemoveFile(download.partPath);
    RemoveFile(download.validatorPath);
}

// Opens the partial file when the body begins: appended to for the range asked, started over
// for the whole file, whose validator is kept for a later resumption.
bool OpenForBody(Download& download) {
    const ResponseHead& head = download.head;
    const std::string range = "bytes " + std::to_string(download.offset) + "-";
    if (head.status == kPartialContent && download.offset > 0 &&
        head.contentRange.starts_with(range)) {
        download.stream = std::fopen(download.partPath.c_str(), "ab");
        download.total = download.offset;
        return download.stream != nullptr;
    }
    if (head.status != kWholeContent) {
        download.discard = head.status == kPartialContent || head.status == kRangeNotSatisfiable;
        return false;
    }
    RemoveFile(download.validatorPath);
    download.stream = std::fopen(download.partPath.c_str(), "wb");
    download.total = 0;
    const std::string validator = ValidatorOf(head);
    return download.stream &&
           (validator.empty() || WriteSmallFile(download.validatorPath, validator));
}

size_t OnBody(char* data, size_t size, size_t count, void* target) {
    Download& download = *static_cast<Download*>(target);
    if (!download.stream && !OpenForBody(download))
        return 0;
    const uint64_t bytes = static_cast<uint64_t>(size) * count;
    if ((download.limit && bytes > *download.limit - download.total) ||
        !HasRoomFor(download.folder, bytes)) {
        download.discard = true;
        return 0;
    }
    const size_t written = WriteToFile(data, size, count, download.stream);
    download.total += written;
    return written;
}

// The options of a resumed transfer, taken off the handle again when it ends.
class ResumeOptions {
  public:
    ResumeOptions(const CurlFunctions& curl, CURL* handle) : m_curl(curl), m_handle(handle) {}
    ~ResumeOptions() {
        m_curl.easy_setopt(m_handle, CURLOPT_RANGE, nullptr);
        m_curl.easy_setopt(m_handle, CURLOPT_HTTPHEADER, nullptr);
        m_curl.easy_setopt(m_handle, CURLOPT_HEADERFUNCTION, nullptr);
        m_curl.easy_setopt(m_handle, CURLOPT_HEADERDATA, nullptr);
        if (m_headers)
            m_curl.slist_free_all(m_headers);
    }
    ResumeOptions(const ResumeOptions&) = delete;
    ResumeOptions& operator=(const ResumeOptions&) = delete;

    bool Set(Download& download, const std::string& validator) {
        if (m_curl.easy_setopt(m_handle, CURLOPT_HEADERFUNCTION, OnHeader) != CURLE_OK ||
            m_curl.easy_setopt(m_handle, CURLOPT_HEADERDATA, &download) != CURLE_OK)
            return false;
        if (download.offset == 0)
            return true;
        m_range = std::to_string(download.offset) + "-";
        m_headers = m_curl.slist_append(nullptr, ("If-Range: " + validator).c_str());
        return m_headers &&
               m_curl.easy_setopt(m_handle, CURLOPT_RANGE, m_range.c_str()) == CURLE_OK &&
               m_curl.easy_setopt(m_handle, CURLOPT_HTTPHEADER, m_headers) == CURLE_OK;
    }

  private:
    const CurlFunctions& m_curl;
    CURL* m_handle;
    std::string m_range;
    curl_slist* m_headers = nullptr;
};

} // namespace

PartialPackage InspectPartial(const std::string& packagePath, std::optional<uint64_t> limit,
                              std::time_t now) {
    PartialPackage partial;
    std::time_t lastWrite = 0;
    partial.present =
        GetFileStatus(packagePath + std::string(kPartialSuffix), partial.bytes, lastWrite);
    if (!partial.present)
        return partial;
    partial.validator =
        std::string(Trim(ReadSmallFile(packagePath + std::string(kValidatorSuffix))));
    partial.resumable = !partial.validator.empty() && now - lastWrite <= kPartialLifetime &&
                        lastWrite <= now + kPartialLifetime && (!limit || partial.bytes <= *limit);
    return partial;
}

bool DownloadResuming(const CurlFunctions& curl, CURL* handle, const std::string& url,
                      const std::string& packagePath, const std::string& folder,
                      std::optional<uint64_t> limit, const TransferLimits& limits,
                      const std::string& caFile) {
    Download download;
    download.partPath = packagePath + std::string(kPartialSuffix);
    download.validatorPath = packagePath + std::string(kValidatorSuffix);
    download.folder = folder;
    download.limit = limit;
    const PartialPackage partial = InspectPartial(packagePath, limit, std::time(nullptr));
    if (partial.present && !partial.resumable)
        Discard(download);
    if (partial.resumable) {
        // A partial file of the whole declared size needs no transfer.
        if (limit && partial.bytes == *limit) {
            RemoveFile(download.validatorPath);
            return RenamePath(download.partPath, packagePath);
        }
        download.offset = partial.bytes;
    }
    bool transferred = false;
    {
        ResumeOptions options(curl, handle);
        transferred = SetTransferOptions(curl, handle, url, OnBody, &download, limits, caFile) &&
                      options.Set(download, partial.validator) &&
                      curl.easy_perform(handle) == CURLE_OK;
    }
    const bool opened = download.stream != nullptr;
    const bool closed = !opened || std::fclose(download.stream) == 0;
    if (download.head.status == kRangeNotSatisfiable || (transferred && !opened))
        download.discard = true;
    if (transferred && closed && opened && !download.discard) {
        RemoveFile(download.validatorPath);
        return RenamePath(download.partPath, packagePath);
    }
    if (download.discard)
        Discard(download);
    return false;
}
