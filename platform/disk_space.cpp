#include "platform/disk_space.h"

#include <sys/statvfs.h>

#include <algorithm>

namespace {

constexpr uint64_t kMinimumReserve = uint64_t(64) << 20;
constexpr uint64_t kReservePercent = 2;

DiskSpaceQuery g_query = QueryDiskSpace;

} // namespace

bool QueryDiskSpace(std::string path, DiskSpace& space) {
    struct statvfs status {};
    if (statvfs(path.c_str(), &status) != 0)
        return false;
    space.available = uint64_t(status.f_bavail) * status.f_frsize;
    space.total = uint64_t(status.f_blocks) * status.f_frsize;
    return true;
}

void SetDiskSpaceQuery(DiskSpaceQuery query) {
    g_query = query != nullptr ? query : QueryDiskSpace;
}

uint64_t DiskReserve(uint64_t totalBytes) {
    return std::max(kMinimumReserve, totalBytes / 100 * kReservePercent);
}

bool HasRoomFor(std::string folder, uint64_t bytes) {
    DiskSpace space;
    if (!g_query(folder, space))
        return false;
    return bytes <= space.available && space.available - bytes >= DiskReserve(space.total);
}
