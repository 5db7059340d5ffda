#include "textfile/text_file.h"

#include "markup/mode_flags.h"
#include "markup/report.h"
#include "platform/code_page.h"
#include "textfile/byte_order_mark.h"
#include "textfile/encoding_names.h"

#include <cerrno>
#include <cstring>

const ByteOrderMark kByteOrderMarks[3] = {
    {"\xEF\xBB\xBF", u"UTF-8", ModeUtf8Bom},
    {"\xFF\xFE", u"UTF-16LE", ModeUtf16LE},
    {"\xFE\xFF", u"UTF-16BE", ModeUtf16BE},
};

CTextFile::~CTextFile() {
    if (m_pFile && (m_nFlags & ModeReadFile))
        std::fclose(m_pFile);
}

bool CTextFile::Open(std::u16string path) {
    m_strLog.clear();
    if (m_nFlags & ModeReadFile)
        return OpenForReading(path);
    if (m_nFlags & ModeWriteFile)
        return OpenForWriting(path);
    return FileError(EINVAL);
}

bool CTextFile::Close(bool keep) {
    if (!m_pFile)
        return true;
    FILE* stream = m_pFile;
    m_pFile = nullptr;
    if (m_nFlags & ModeReadFile)
        return std::fclose(stream) == 0 || FileError();
    if (!keep) {
        m_replacement.Abandon();
        return true;
    }
    return m_replacement.Commit() || FileError();
}

bool CTextFile::FileError() {
    return FileError(errno);
}

bool CTextFile::FileError(int error) {
    std::string_view message = std::strerror(error);
    message = message.substr(0, message.find_first_of("\r\n"));
    std::u16string text(message.size(), u'\0');
    const auto length = static_cast<int>(message.size());
    text.resize(
        static_cast<size_t>(MultiByteToUtf16(CP_ACP, message.data(), length, text.data(), length)));
    AddReportEntry(m_strLog, u"file_error", text, RPT_MSG | RPT_N, error, -1);
    return false;
}

bool IsWideCodePage(int codePage) {
    switch (codePage) {
    case CP_UTF16:
    case 1201:
    case 12000:
    case 12001:
    case CP_UTF32_INTERNAL:
        return true;
    default:
        return false;
    }
}
