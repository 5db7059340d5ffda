#pragma once

#include <functional>
#include <string>
#include <string_view>

// The largest window, as a power of two, that a patch may make the decompressor allocate.
inline constexpr unsigned kDefaultWindowLogCap = 27;

using PatchSink = std::function<bool(const char* data, size_t size)>;

// One zstd frame of data compressed with prefix as its prefix (long matching, a checksum and the
// content size in the frame), at level; the window covers prefix and data up to 2^windowLogCap.
// Empty when compression failed.
std::string MakePatch(std::string_view prefix, std::string_view data, int level,
                      unsigned windowLogCap = kDefaultWindowLogCap);

// The window that a frame's header asks for, in bytes; false when the header cannot be read.
bool PatchWindowSize(std::string_view patch, unsigned long long& windowSize);

// Decompresses patch, exactly one zstd frame made against prefix, into sink in pieces. A frame
// whose header asks for a window above 2^windowLogCap is refused before anything is allocated
// for it; so is one whose content size is not expectedSize. False on any failure: a damaged
// frame, a checksum mismatch, bytes after the frame, a sink that refuses.
bool ApplyPatch(std::string_view prefix, std::string_view patch, unsigned windowLogCap,
                unsigned long long expectedSize, const PatchSink& sink);
