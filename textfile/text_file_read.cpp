#include "markup/mode_flags.h"
#include "markup/report.h"
#include "platform/code_page.h"
#include "textfile/byte_order_mark.h"
#include "textfile/encoding_names.h"
#include "textfile/encoding_sniff.h"
#include "textfile/text_converter.h"
#include "textfile/text_file.h"
#include "textfile/utf8_codec.h"
#include "textfile/zero_units.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <memory>


namespace {

constexpr int32_t kProbeBytes = 1024;

void SwapUnitBytes(char16_t* units, int32_t count) {
    for (int32_t i = 0; i < count; ++i)
        units[i] = static_cast<char16_t>((units[i] >> 8) | (units[i] << 8));
}

// The length of the mark the probe begins with (0 without one), with its row.
int32_t MatchMark(const char* probe, int32_t length, int& row) {
    for (row = 0; row < kByteOrderMarkCount; ++row) {
        const std::string_view mark = kByteOrderMarks[row].bytes;
        if (static_cast<size_t>(length) >= mark.size() &&
            std::string_view(probe, mark.size()) == mark)
            return static_cast<int32_t>(mark.size());
    }
    return 0;
}

// The encoding a mark-less file declares in its first bytes; a 16- or 32-bit one cannot be
// meant by text that reads as 8-bit, so it counts as none.
std::u16string DeclaredEncoding(const char* probe, int32_t length) {
    CTextConverter converter(u"UTF-8", probe, length);
    std::u16string head(static_cast<size_t>(length), u'\0');
    converter.m_nDestLength = length;
    head.resize(static_cast<size_t>(converter.Convert(head.data(), u"UTF-16")));
    std::u16string name = SniffEncodingDeclaration(head);
    if (IsWideCodePage(CodePageFromName(name)))
        name.clear();
    return name;
}

} // namespace

bool CTextFile::OpenForReading(const std::u16string& path) {
    m_pFile = OpenFileForReading(path);
    if (!m_pFile)
        return FileError();
    m_nUnitSize = 1;

    if (std::fseek(m_pFile, 0, SEEK_END) != 0)
        return FileError();
    const long size = std::ftell(m_pFile);
    if (size < 0)
        return FileError();
    if (size > INT32_MAX)
        return FileError(EFBIG);
    m_nFileSize = static_cast<int32_t>(size);
    if (std::fseek(m_pFile, 0, SEEK_SET) != 0)
        return FileError();
    m_nFlags &= ~kEncodingBits; // an empty file has no mark either
    if (m_nFileSize == 0)
        return true;

    const int32_t n = std::min(m_nFileSize, kProbeBytes);
    char probe[kProbeBytes];
    if (std::fread(probe, static_cast<size_t>(n), 1, m_pFile) != 1)
        return FileError(std::ferror(m_pFile) ? errno : EIO);

    int row = 0;
    const int32_t markLength = MatchMark(probe, n, row);
    if (markLength != 0) {
        m_nFlags |= kByteOrderMarks[row].flag;
        m_nUnitSize = markLength == 2 ? 2 : 1;
        m_strEncodingName = kByteOrderMarks[row].encodingName;
    }
    if (n > markLength && std::fseek(m_pFile, markLength, SEEK_SET) != 0)
        return FileError();
    if (markLength == 0)
        m_strEncodingName = DeclaredEncoding(probe, n);
    if (m_strEncodingName.empty() && probe[0] == '<')
        m_strEncodingName = u"UTF-8";

    m_nFilePos = markLength;
    if (markLength != 0)
        AddReportEntry(m_strLog, u"bom", std::nullopt, 0, -1, -1);
    return true;
}

bool CTextFile::ReadContent(std::u16string& text) {
    m_strLog.clear();
    text.clear();
    if (m_nOpBytes == 0) {
        AddReportEntry(m_strLog, u"read", m_strEncodingName, RPT_ENCODING | RPT_LENGTH, 0, -1);
        return true;
    }

    if (m_nFlags & (ModeUtf16LE | ModeUtf16BE)) {
        const auto h = static_cast<size_t>(m_nOpBytes / 2);
        const auto storage = static_cast<size_t>(m_nOpBytes / 2 + m_nOpBytes % 2);
        text.reserve(std::max(h + h / 100, storage));
        text.resize(storage);
        const bool read = ReadBlock(text.data());
        text.resize(read ? static_cast<size_t>(m_nUnitCount) : 0);
        return read;
    }

    if (m_strEncodingName.empty() || CodePageFromName(m_strEncodingName) == CP_UTF8) {
        if (const std::optional<bool> read = ReadUtf8Content(text))
            return *read;
    }

    const auto bytes = std::make_unique_for_overwrite<char[]>(static_cast<size_t>(m_nOpBytes));
    if (!ReadBlock(bytes.get()))
        return false;

    if (m_strEncodingName.empty()) {
        if (IsUtf8(bytes.get(), m_nUnitCount)) {
            m_strEncodingName = u"UTF-8";
            AddReportEntry(m_strLog, u"read", m_strEncodingName, RPT_ENCODING | RPT_UPDATE, -1, -1);
        }
        AddReportEntry(m_strLog, u"utf8_detection", std::nullopt, 0, -1, -1);
    }

    CTextConverter converter(m_strEncodingName, bytes.get(), m_nUnitCount);
    const int n = converter.Convert(nullptr, u"UTF-16");
    const auto units = static_cast<size_t>(n);
    text.reserve(units + units / 100);
    text.resize(units);
    converter.m_nDestLength = n;
    if (n > 0)
        text.resize(static_cast<size_t>(converter.Convert(text.data(), nullptr)));
    AddReportEntry(m_strLog, u"converted_to", u"UTF-16", RPT_ENCODING | RPT_LENGTH,
                   static_cast<int32_t>(text.size()), -1);
    return true;
}

bool CTextFile::ReadBlock(void* buffer) {
    m_nUnitCount = m_nOpBytes / m_nUnitSize;
    if (std::fread(buffer, static_cast<size_t>(m_nOpBytes), 1, m_pFile) != 1)
        return FileError(std::ferror(m_pFile) ? errno : EIO);
    m_nFilePos += m_nOpBytes;
    AddReportEntry(m_strLog, u"read", m_strEncodingName, RPT_ENCODING | RPT_LENGTH, m_nUnitCount,
                   -1);

    const int32_t removed = m_nUnitSize == 2
                                ? RemoveZeroUnits(static_cast<char16_t*>(buffer), m_nUnitCount)
                                : RemoveZeroUnits(static_cast<char*>(buffer), m_nUnitCount);
    if (removed != 0) {
        AddReportEntry(m_strLog, u"nulls_removed", std::nullopt, RPT_COUNT, removed, -1);
        m_nUnitCount -= removed;
    }
    if (m_nUnitSize == 2 && (m_nFlags & ModeUtf16BE)) {
        SwapUnitBytes(static_cast<char16_t*>(buffer), m_nUnitCount);
        AddReportEntry(m_strLog, u"endian_swap", std::nullopt, 0, -1, -1);
    }
    return true;
}

bool ReadWholeFile(std::u16string path, std::u16string& text, std::u16string* result,
                   uint32_t* flags) {
    CTextFile file;
    file.m_nFlags = ((flags ? *flags : 0) & ~kFileModeBits) | ModeReadFile;
    const bool opened = file.Open(std::move(path));
    if (result)
        *result = file.m_strLog;
    text.clear();
    if (!opened)
        return false;

    file.m_nOpBytes = file.m_nFileSize - file.m_nFilePos;
    const bool read = file.ReadContent(text);
    file.Close(true);
    file.m_nFlags &= ~kFileModeBits;
    if (result)
        *result += file.m_strLog;
    if (flags)
        *flags = file.m_nFlags;
    return read;
}
