#pragma once

#include <cstdint>
#include <string>

// The space of the file system that holds a path.
struct DiskSpace {
    uint64_t available = 0; // bytes that an unprivileged process may still write
    uint64_t total = 0;     // the file system's size in bytes
};

// Asks the file system that holds path, which must exist; false when it cannot be asked.
bool QueryDiskSpace(std::string path, DiskSpace& space);

using DiskSpaceQuery = bool (*)(std::string path, DiskSpace& space);

// Replaces the query that HasRoomFor makes (for tests); nullptr restores QueryDiskSpace.
void SetDiskSpaceQuery(DiskSpaceQuery query);

// The space that must stay free on a file system of the given size: the larger of 64 MiB and
// 2 % of it.
uint64_t DiskReserve(uint64_t totalBytes);

// Whether bytes more can be written to the file system that holds folder (which must exist)
// and leave its reserve free; false when its space cannot be learned.
bool HasRoomFor(std::string folder, uint64_t bytes);
