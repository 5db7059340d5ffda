#include "app/trusted_comment.h"

namespace {

void ReadNumber(std::string_view text, std::optional<int64_t>& field, bool& wellFormed) {
    int64_t value = 0;
    if (ParseDecimal(text, value))
        field = value;
    else
        wellFormed = false;
}

} // namespace

bool ParseDecimal(std::string_view text, int64_t& value) {
    if (text.empty() || text.size() > 18)
        return false;
    value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

TrustedComment ParseTrustedComment(std::string_view text) {
    TrustedComment comment;
    while (!text.empty()) {
        const size_t end = text.find('\t');
        const std::string_view item = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        const size_t colon = item.find(':');
        if (colon == std::string_view::npos)
            continue;
        const std::string_view name = item.substr(0, colon);
        const std::string_view value = item.substr(colon + 1);
        if (name == "file")
            comment.file = std::string(value);
        else if (name == "timestamp")
            ReadNumber(value, comment.timestamp, comment.wellFormed);
        else if (name == "expires")
            ReadNumber(value, comment.expires, comment.wellFormed);
    }
    return comment;
}

bool NamesFile(const TrustedComment& comment, std::string_view fileName) {
    return !comment.file || *comment.file == fileName;
}

std::string FileNameOfUrl(const std::string& url) {
    return url.substr(url.rfind('/') + 1);
}
