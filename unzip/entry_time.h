#pragma once

#include <cstdint>
#include <ctime>
#include <string>

// The MS-DOS date (high 16 bits) and time (low 16 bits), taken as local time; false when a
// field is out of range or the time cannot be represented.
bool DosDateTimeToTime(uint32_t dosDateTime, std::time_t& time);

// Stamps the file (or link) at path with the entry's time as its last-write time, keeping its
// last-access time.
bool SetEntryFileTime(std::string path, uint32_t dosDateTime);
