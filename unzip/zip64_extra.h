#pragma once

#include <cstdint>
#include <string>

// A 32-bit size field of a central record that holds this value leaves the size to the
// record's zip64 extra field.
inline constexpr uint64_t kZip64Placeholder = 0xFFFFFFFF;

// Replaces each size that holds the placeholder by its value from the zip64 extra field
// (header 0x0001) of the record's extra data: the uncompressed size first, then the compressed
// size, as the field stores them. False when a needed value is missing; the sizes then stay.
bool ReadZip64Sizes(const std::string& extraData, uint64_t& uncompressedSize,
                    uint64_t& compressedSize);
