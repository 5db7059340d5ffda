#include "app/folder_name.h"

#include <algorithm>

namespace {

constexpr size_t kMaxNameLength = 255;

bool IsForbidden(char16_t c) {
    const bool control = c < 0x20 || (c >= 0x7F && c <= 0x9F);
    return control || c == u'/' || c == u'\\';
}

} // namespace

bool IsSafeFolderName(std::u16string_view name) {
    // A leading "." is kept for the updater's own names ("." and ".." among them).
    if (name.empty() || name.size() > kMaxNameLength || name.front() == u'.')
        return false;
    return std::none_of(name.begin(), name.end(), IsForbidden);
}
