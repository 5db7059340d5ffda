#pragma once

#include "unzip/archive_file.h"
#include "unzip/zip_entry_info.h"

#include <unzip.h>

#include <cstddef>
#include <functional>

// An entry's uncompressed bytes reach the sink in pieces of up to this size; an entry is never
// held whole.
inline constexpr size_t kOutputPieceSize = size_t(64) << 10;

using EntryDataSink = std::function<bool(const char* data, size_t size)>;

// Copies the current entry of archive, whose file is file, into sink, inflating deflated data.
// Never more than the declared uncompressed size reaches the sink. True only when every piece
// was taken and the data matches the entry's declared size and CRC-32. Encrypted entries and
// methods other than stored and deflated fail.
bool CopyCurrentEntryData(unzFile archive, CArchiveFile& file, const ZipEntryInfo& info,
                          const EntryDataSink& sink);
