#include "unzip/entry_data.h"

#include "unzip/crc32.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <span>

namespace {

constexpr uint32_t kEncryptedFlag = 0x01;
constexpr uint32_t kStored = 0;
// Deflated data is read from the archive through one buffer of this size.
constexpr size_t kCopyBufferSize = 2048;

// Where the current entry's data begins in the archive, once the library has checked the
// entry's local header against its directory record; 0 when the header is unusable.
uint64_t DataStart(unzFile archive) {
    int method = 0;
    int level = 0;
    // Opened raw, the library allocates no inflater and reads no data.
    if (unzOpenCurrentFile2(archive, &method, &level, 1) != UNZ_OK)
        return 0;
    const uint64_t start = unzGetCurrentFileZStreamPos64(archive);
    unzCloseCurrentFile(archive);
    return start;
}

// The entry's data as the archive holds it, compressed or not: size bytes from start on.
class PackedBytes {
  public:
    PackedBytes(CArchiveFile& file, uint64_t start, uint64_t size)
        : m_file(file), m_next(start), m_left(size) {}

    // Up to count bytes into out; 0 once the data or the archive has ended.
    size_t Read(char* out, size_t count) {
        const auto wanted = static_cast<size_t>(std::min<uint64_t>(count, m_left));
        const size_t got = m_file.ReadAt(out, wanted, m_next);
        m_next += got;
        m_left -= got;
        return got;
    }

  private:
    CArchiveFile& m_file;
    uint64_t m_next;
    uint64_t m_left;
};

// Gathers the entry's uncompressed bytes, up to its declared size, into pieces for the sink and
// keeps their CRC-32.
class PieceOutput {
  public:
    PieceOutput(uint64_t declaredSize, const EntryDataSink& sink)
        : m_left(declaredSize),
          m_capacity(static_cast<size_t>(std::min<uint64_t>(kOutputPieceSize, declaredSize))),
          m_piece(std::make_unique_for_overwrite<char[]>(m_capacity)), m_sink(sink) {}

    bool Complete() const { return m_left == 0; }

    // Where the next bytes go: no further than the declared size allows; empty once complete.
    std::span<char> Room() const {
        return {m_piece.get() + m_filled,
                static_cast<size_t>(std::min<uint64_t>(m_capacity - m_filled, m_left))};
    }

    // Takes count bytes written into Room(); a full piece goes to the sink.
    bool Take(size_t count) {
        m_filled += count;
        m_left -= count;
        return m_filled < m_capacity || Hand();
    }

    // True when the declared size was reached, the sink took every piece and the CRC-32 of all
    // bytes is crc.
    bool Finish(uint32_t crc) { return Complete() && Hand() && m_crc == crc; }

  private:
    bool Hand() {
        if (m_filled == 0)
            return true;
        m_crc = Crc32(m_crc, m_piece.get(), m_filled);
        const size_t size = m_filled;
        m_filled = 0;
        return m_sink(m_piece.get(), size);
    }

    uint64_t m_left;
    size_t m_capacity;
    std::unique_ptr<char[]> m_piece;
    size_t m_filled = 0;
    uint32_t m_crc = 0;
    const EntryDataSink& m_sink;
};

bool CopyStored(PackedBytes& data, PieceOutput& output) {
    while (!output.Complete()) {
        const std::span<char> room = output.Room();
        const size_t got = data.Read(room.data(), room.size());
        if (got == 0 || !output.Take(got))
            return false;
    }
    return true;
}

struct RawInflater {
    z_stream stream{};
    bool ready = inflateInit2(&stream, -MAX_WBITS) == Z_OK;

    RawInflater() = default;
    RawInflater(const RawInflater&) = delete;
    RawInflater& operator=(const RawInflater&) = delete;
    ~RawInflater() {
        if (ready)
            inflateEnd(&stream);
    }
};

// The compressed bytes come through one buffer of kCopyBufferSize bytes; inflating runs straight
// into the output's pieces. Data past the declared size is never inflated.
bool CopyDeflated(PackedBytes& data, PieceOutput& output) {
    RawInflater inflater;
    z_stream& stream = inflater.stream;
    char buffer[kCopyBufferSize];
    while (inflater.ready && !output.Complete()) {
        if (stream.avail_in == 0) {
            // None once the compressed data has ended: what the inflater holds may still finish
            // the entry.
            stream.next_in = reinterpret_cast<Bytef*>(buffer);
            stream.avail_in = static_cast<uInt>(data.Read(buffer, sizeof buffer));
        }
        const std::span<char> room = output.Room();
        stream.next_out = reinterpret_cast<Bytef*>(room.data());
        stream.avail_out = static_cast<uInt>(room.size());
        const int status = inflate(&stream, Z_NO_FLUSH);
        // Z_BUF_ERROR: no progress was possible, as the compressed data ended too soon.
        if (status != Z_OK && status != Z_STREAM_END)
            return false;
        if (!output.Take(room.size() - stream.avail_out))
            return false;
        if (status == Z_STREAM_END)
            break; // complete or short, as the declared size decides
    }
    return output.Complete();
}

} // namespace

bool CopyCurrentEntryData(unzFile archive, CArchiveFile& file, const ZipEntryInfo& info,
                          const EntryDataSink& sink) {
    if ((info.flags & kEncryptedFlag) != 0)
        return false;
    if (info.compressionMethod != kStored && info.compressionMethod != Z_DEFLATED)
        return false;
    const uint64_t start = DataStart(archive);
    if (start == 0)
        return false;
    PackedBytes data(file, start, info.compressedSize);
    PieceOutput output(info.uncompressedSize, sink);
    const bool copied =
        info.compressionMethod == kStored ? CopyStored(data, output) : CopyDeflated(data, output);
    return copied && output.Finish(info.crc32);
}
