#include "markup/mode_flags.h"
#include "markup/report.h"
#include "platform/code_page.h"
#include "textfile/byte_order_mark.h"
#include "textfile/encoding_names.h"
#include "textfile/encoding_sniff.h"
#include "textfile/text_converter.h"
#include "textfile/text_file.h"

#include <cerrno>
#include <climits>
#include <memory>
#include <string_view>
#include <vector>

namespace {

constexpr int kUtf8Row = 0;
constexpr int kUtf16LERow = 1;

// True when text in the named encoding is written as UTF-8 (an unknown name means the ANSI
// code page, which may be UTF-8).
bool WritesUtf8(const std::u16string& encodingName) {
    const int codePage = CodePageFromName(encodingName);
    const char* charset = CodePageCharset(codePage < 0 ? CP_ACP : codePage);
    return charset && std::string_view(charset) == "UTF-8";
}

} // namespace

bool CTextFile::OpenForWriting(const std::u16string& path) {
    m_pFile = m_replacement.Begin(path);
    if (!m_pFile)
        return FileError();
    m_nUnitSize = 1;
    m_nFilePos = 0;
    for (int row = 0; row < kByteOrderMarkCount; ++row) {
        if (m_nFlags & kByteOrderMarks[row].flag)
            return WriteMark(row);
    }
    return true;
}

// Writes the row's mark and makes its encoding the file's; the other encoding bits are
// cleared so that the content is written in the encoding of the mark.
bool CTextFile::WriteMark(int row) {
    const ByteOrderMark& mark = kByteOrderMarks[row];
    m_nFlags = (m_nFlags & ~kEncodingBits) | mark.flag;
    m_nUnitSize = mark.bytes.size() == 2 ? 2 : 1;
    m_strEncodingName = mark.encodingName;
    if (std::fwrite(mark.bytes.data(), mark.bytes.size(), 1, m_pFile) != 1)
        return FileError();
    m_nFilePos = static_cast<int32_t>(mark.bytes.size());
    AddReportEntry(m_strLog, u"bom", std::nullopt, 0, -1, -1);
    return true;
}

bool CTextFile::SettleWriteEncoding(const std::u16string& text) {
    if (!m_strEncodingName.empty() || text.empty())
        return true;
    m_strEncodingName = SniffEncodingDeclaration(text);
    if (IsWideCodePage(CodePageFromName(m_strEncodingName)))
        return WriteMark(kUtf16LERow);
    if (m_strEncodingName.empty())
        m_strEncodingName = u"UTF-8";
    // Without a mark, the UTF-8 of a leading U+FEFF would be read back as one and dropped.
    if (text[0] == u'\uFEFF' && WritesUtf8(m_strEncodingName))
        return WriteMark(kUtf8Row);
    return true;
}

bool CTextFile::WriteContent(const std::u16string& text, int32_t length) {
    m_strLog.clear();
    if (text.size() > INT32_MAX / 2)
        return FileError(EFBIG);
    if (length < 0 || static_cast<size_t>(length) > text.size())
        length = static_cast<int32_t>(text.size());
    if (length == 0) {
        AddReportEntry(m_strLog, u"write", m_strEncodingName, RPT_ENCODING | RPT_LENGTH, 0, -1);
        return true;
    }
    if (m_nFlags & (ModeUtf16LE | ModeUtf16BE)) {
        m_nUnitCount = length;
        return WriteBlock(text.data());
    }

    CTextConverter converter(u"UTF-16", text.data(), length);
    const int n = converter.Convert(nullptr, m_strEncodingName.c_str());
    m_nUnitCount = n;
    const auto bytes = std::make_unique_for_overwrite<char[]>(static_cast<size_t>(n));
    converter.m_nDestLength = n;
    if (n > 0)
        m_nUnitCount = converter.Convert(bytes.get(), nullptr);
    AddReportEntry(m_strLog, u"converted_from", u"UTF-16", RPT_ENCODING | RPT_LENGTH, length, -1);
    if (converter.m_bLossy)
        AddReportEntry(m_strLog, u"conversion_loss", std::nullopt, 0, -1, -1);
    // A text that converts to nothing was refused by the conversion: writing no bytes in its
    // place would lose it.
    if (m_nUnitCount == 0)
        return FileError(EINVAL);
    return WriteBlock(bytes.get());
}

bool CTextFile::WriteBlock(const void* data) {
    m_nOpBytes = m_nUnitCount * m_nUnitSize;
    std::vector<char16_t> swapped;
    if (m_nFlags & ModeUtf16BE) {
        const auto* units = static_cast<const char16_t*>(data);
        swapped.assign(units, units + m_nUnitCount);
        for (char16_t& unit : swapped)
            unit = static_cast<char16_t>((unit >> 8) | (unit << 8));
        data = swapped.data();
        AddReportEntry(m_strLog, u"endian_swap", std::nullopt, 0, -1, -1);
    }
    if (std::fwrite(data, static_cast<size_t>(m_nOpBytes), 1, m_pFile) != 1)
        return FileError();
    m_nFilePos += m_nOpBytes;
    AddReportEntry(m_strLog, u"write", m_strEncodingName, RPT_ENCODING | RPT_LENGTH, m_nUnitCount,
                   -1);
    return true;
}

bool WriteWholeFile(std::u16string path, const std::u16string& text, std::u16string* result,
                    uint32_t* flags) {
    CTextFile file;
    file.m_nFlags = ((flags ? *flags : 0) & ~kFileModeBits) | ModeWriteFile;
    const bool opened = file.Open(std::move(path)) && file.SettleWriteEncoding(text);
    if (result)
        *result = file.m_strLog;
    if (!opened) {
        file.Close(false);
        return false;
    }

    bool written = file.WriteContent(text, -1);
    if (!file.Close(written))
        written = false;
    file.m_nFlags &= ~kFileModeBits;
    if (result)
        *result += file.m_strLog;
    if (flags)
        *flags = file.m_nFlags;
    return written;
}
