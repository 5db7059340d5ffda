#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The fields of a signature's trusted comment: NAME:VALUE items separated by tabs, as minisign
// writes them ("timestamp:T<TAB>file:NAME<TAB>hashed"). Items without a colon and unknown
// names are ignored.
struct TrustedComment {
    std::optional<std::string> file;  // the name of the file that was signed
    std::optional<int64_t> timestamp; // seconds since 1970 when it was signed
    std::optional<int64_t> expires;   // seconds since 1970 after which it is no longer valid
    bool wellFormed = true;           // false when timestamp or expires is not a decimal number
};

TrustedComment ParseTrustedComment(std::string_view text);

// A comment that names a file must name this one; one without a name fits any file.
bool NamesFile(const TrustedComment& comment, std::string_view fileName);

// The last component of a URL: the name of the file it fetches.
std::string FileNameOfUrl(const std::string& url);

// Reads a non-negative decimal number of at most 18 digits.
bool ParseDecimal(std::string_view text, int64_t& value);
