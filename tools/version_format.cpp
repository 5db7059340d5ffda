#include "tools/version_format.h"

#include <cstdint>

namespace {

// Reads one decimal number at text[at...]; false when there is no digit or it is too large.
bool ReadNumber(const std::string& text, size_t& at) {
    const size_t start = at;
    int64_t value = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
        value = value * 10 + (text[at] - '0');
        if (value > INT32_MAX)
            return false;
        ++at;
    }
    return at > start;
}

} // namespace

bool StartsWithVersionNumbers(const std::string& text, std::string& rest) {
    size_t at = 0;
    for (int part = 0; part < 3; ++part) {
        if (part > 0 && (at >= text.size() || text[at++] != '.'))
            return false;
        if (!ReadNumber(text, at))
            return false;
    }
    rest = text.substr(at);
    return true;
}
