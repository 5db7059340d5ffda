#pragma once

#include "unzip/zip_entry_info.h"

#include <unzip.h>

#include <cstddef>
#include <functional>

// Entry data is copied through one buffer of this size; an entry is never held whole.
inline constexpr size_t kCopyBufferSize = 2048;

using EntryDataSink = std::function<bool(const char* data, size_t size)>;

// Inflates the current entry of an archive into sink, piece by piece. True only when every
// piece was taken and the data matches the entry's size and CRC-32. Encrypted entries fail.
bool CopyCurrentEntryData(unzFile archive, const ZipEntryInfo& info, const EntryDataSink& sink);
