#include "unzip/entry_time.h"

#include "platform/file_system.h"

bool DosDateTimeToTime(uint32_t dosDateTime, std::time_t& time) {
    const int date = static_cast<int>(dosDateTime >> 16);
    const int clock = static_cast<int>(dosDateTime & 0xFFFF);
    std::tm local{};
    local.tm_year = (date >> 9) + 80;
    local.tm_mon = ((date >> 5) & 0x0F) - 1;
    local.tm_mday = date & 0x1F;
    local.tm_hour = clock >> 11;
    local.tm_min = (clock >> 5) & 0x3F;
    local.tm_sec = (clock & 0x1F) * 2;
    local.tm_isdst = -1;
    if (local.tm_mon < 0 || local.tm_mon > 11 || local.tm_mday == 0 || local.tm_hour > 23 ||
        local.tm_min > 59 || local.tm_sec > 59)
        return false;
    time = std::mktime(&local);
    return time != static_cast<std::time_t>(-1);
}

bool SetEntryFileTime(std::string path, uint32_t dosDateTime) {
    std::time_t writeTime = 0;
    if (!DosDateTimeToTime(dosDateTime, writeTime))
        return false;
    // Linux keeps no creation time that could be set: only the last-write time is stamped.
    return SetLastWriteTime(path, std::timespec{writeTime, 0});
}
