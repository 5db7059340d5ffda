#include "app/version.h"

#include <limits>
#include <string_view>

namespace {

bool IsBlank(char16_t c) {
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

int32_t ParsePart(std::u16string_view piece) {
    size_t i = 0;
    while (i < piece.size() && IsBlank(piece[i]))
        ++i;
    bool negative = false;
    if (i < piece.size() && (piece[i] == u'+' || piece[i] == u'-')) {
        negative = piece[i] == u'-';
        ++i;
    }
    // Accumulated as a magnitude that stops growing one past the 32-bit range.
    constexpr int64_t limit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
    int64_t magnitude = 0;
    for (; i < piece.size() && piece[i] >= u'0' && piece[i] <= u'9'; ++i) {
        magnitude = magnitude * 10 + (piece[i] - u'0');
        if (magnitude > limit)
            magnitude = limit;
    }
    const int64_t value = negative ? -magnitude : magnitude;
    if (value > std::numeric_limits<int32_t>::max())
        return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(value);
}

} // namespace

VersionTriple ParseVersion(std::u16string text) {
    VersionTriple version;
    version.text = text;
    int32_t* const parts[] = {&version.first, &version.second, &version.third};
    const std::u16string_view rest = version.text;
    size_t start = 0;
    for (int32_t* part : parts) {
        const size_t dot = rest.find(u'.', start);
        if (dot == std::u16string_view::npos) {
            *part = ParsePart(rest.substr(start));
            break;
        }
        *part = ParsePart(rest.substr(start, dot - start));
        start = dot + 1;
    }
    return version;
}

bool IsOlderVersion(const VersionTriple& a, const VersionTriple& b) {
    if (a.first != b.first)
        return a.first < b.first;
    if (a.second != b.second)
        return a.second < b.second;
    return a.third < b.third;
}
