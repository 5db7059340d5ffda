#pragma once

#include <cstddef>
#include <cstdint>

// The CRC-32 of zip entries (zlib's crc32), continued from crc over size bytes of data. Long
// runs are folded with carry-less multiplication where the processor has it.
uint32_t Crc32(uint32_t crc, const char* data, size_t size);
