#include "markup/report.h"
#include "platform/code_page.h"
#include "textfile/text_file.h"
#include "textfile/utf8_codec.h"
#include "textfile/zero_units.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

namespace {

constexpr int32_t kPieceBytes = 64 * 1024;
// The most bytes of a sequence a piece may leave to the next one.
constexpr int32_t kCarryBytes = 4;
constexpr int32_t kBufferBytes = kCarryBytes + kPieceBytes;

// How many of the length bytes to leave to the next piece, so that the bytes before them end
// where no UTF-8 sequence (nor invalid part of one) goes on: from the last byte among the final
// four that is not a continuation byte on; none when all four are, since no sequence is longer.
int32_t SequenceTail(const char* bytes, int32_t length) {
    for (int32_t k = 1; k <= std::min(length, kCarryBytes); ++k) {
        const auto byte = static_cast<unsigned char>(bytes[length - k]);
        if (byte < 0x80 || byte >= 0xC0)
            return k;
    }
    return 0;
}

} // namespace

template <typename Use> bool CTextFile::ReadPieces(Use use, int32_t& zeros) {
    const auto buffer = std::make_unique_for_overwrite<char[]>(kBufferBytes);
    int32_t carried = 0;
    zeros = 0;
    for (int32_t left = m_nOpBytes; left > 0;) {
        const int32_t n = std::min(left, kPieceBytes);
        if (std::fread(buffer.get() + carried, static_cast<size_t>(n), 1, m_pFile) != 1)
            return FileError(std::ferror(m_pFile) ? errno : EIO);
        left -= n;
        const int32_t removed = RemoveZeroUnits(buffer.get() + carried, n);
        zeros += removed;
        const int32_t length = carried + n - removed;
        const int32_t tail = left > 0 ? SequenceTail(buffer.get(), length) : 0;
        use(buffer.get(), length - tail);
        std::memmove(buffer.get(), buffer.get() + length - tail, static_cast<size_t>(tail));
        carried = tail;
    }
    return true;
}

std::optional<bool> CTextFile::ReadUtf8Content(std::u16string& text) {
    const int32_t start = m_nFilePos;
    const bool unknown = m_strEncodingName.empty();
    Utf8Check check;
    int32_t units = 0;
    int32_t zeros = 0;
    const bool scanned = ReadPieces(
        [&](const char* bytes, int32_t length) {
            if (unknown)
                check.Feed(bytes, static_cast<size_t>(length));
            units += MultiByteToUtf16(CP_UTF8, bytes, length, nullptr, 0);
        },
        zeros);
    if (!scanned)
        return false;
    if (unknown && !check.Valid()) {
        if (std::fseek(m_pFile, start, SEEK_SET) != 0)
            return FileError();
        return std::nullopt;
    }

    m_nUnitCount = m_nOpBytes;
    m_nFilePos += m_nOpBytes;
    AddReportEntry(m_strLog, u"read", m_strEncodingName, RPT_ENCODING | RPT_LENGTH, m_nUnitCount,
                   -1);
    if (zeros != 0) {
        AddReportEntry(m_strLog, u"nulls_removed", std::nullopt, RPT_COUNT, zeros, -1);
        m_nUnitCount -= zeros;
    }
    if (unknown) {
        m_strEncodingName = u"UTF-8";
        AddReportEntry(m_strLog, u"read", m_strEncodingName, RPT_ENCODING | RPT_UPDATE, -1, -1);
        AddReportEntry(m_strLog, u"utf8_detection", std::nullopt, 0, -1, -1);
    }

    // The second reading converts each piece into a small buffer and appends it: the text's
    // storage is written once, never filled first.
    const auto n = static_cast<size_t>(units);
    text.reserve(n + n / 100);
    if (n > 0) {
        if (std::fseek(m_pFile, start, SEEK_SET) != 0)
            return FileError();
        const auto wide = std::make_unique_for_overwrite<char16_t[]>(kBufferBytes);
        const bool converted = ReadPieces(
            [&](const char* bytes, int32_t length) {
                const int count =
                    MultiByteToUtf16(CP_UTF8, bytes, length, wide.get(), kBufferBytes);
                text.append(wide.get(), static_cast<size_t>(count));
            },
            zeros);
        if (!converted) {
            text.clear();
            return false;
        }
    }
    AddReportEntry(m_strLog, u"converted_to", u"UTF-16", RPT_ENCODING | RPT_LENGTH,
                   static_cast<int32_t>(text.size()), -1);
    return true;
}
