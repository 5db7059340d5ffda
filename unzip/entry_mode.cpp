#include "unzip/entry_mode.h"

namespace {

constexpr uint32_t kMadeOnUnix = 3;
constexpr unsigned kFileTypeMask = 0170000;
constexpr unsigned kLinkType = 0120000;
constexpr unsigned kFolderType = 0040000;

} // namespace

std::optional<unsigned> UnixMode(const ZipEntryInfo& info) {
    const unsigned mode = info.externalAttributes >> 16;
    if ((info.versionMadeBy >> 8) != kMadeOnUnix || mode == 0)
        return std::nullopt;
    return mode;
}

bool IsLinkEntry(const ZipEntryInfo& info) {
    const std::optional<unsigned> mode = UnixMode(info);
    return mode && (*mode & kFileTypeMask) == kLinkType;
}

bool IsFolderMode(const ZipEntryInfo& info) {
    const std::optional<unsigned> mode = UnixMode(info);
    return mode && (*mode & kFileTypeMask) == kFolderType;
}
