#include "check_report.h"

#include "platform/code_page.h"
#include "platform/utf8_convert.h"

#include <cstdio>
#include <iterator>
#include <string_view>

namespace {

struct FlagName {
    uint32_t bit;
    const char* name;
};

constexpr FlagName kModeFlags[] = {
    {ModeUtf16LE, "ModeUtf16LE"},       {ModeUtf8Bom, "ModeUtf8Bom"},
    {ModeIgnoreCase, "ModeIgnoreCase"}, {ModeReadFile, "ModeReadFile"},
    {ModeWriteFile, "ModeWriteFile"},   {ModeUtf16BE, "ModeUtf16BE"},
};

// What each mode bit means for the loaded file.
constexpr FlagName kModeMeanings[] = {
    {ModeUtf16LE, "UTF-16LE, saved so again"},
    {ModeUtf8Bom, "UTF-8 with a byte-order mark, saved with it again"},
    {ModeIgnoreCase, "names compared ignoring case"},
    {ModeReadFile, "read-file mode"},
    {ModeWriteFile, "write-file mode"},
    {ModeUtf16BE, "UTF-16BE, saved so again"},
};

constexpr FlagName kElementFlags[] = {
    {ElemFreed, "ElemFreed"},       {ElemFirstChild, "ElemFirstChild"},
    {ElemUnended, "ElemUnended"},   {ElemHasError, "ElemHasError"},
    {DocIllFormed, "DocIllFormed"},
};

template <size_t N> std::string FlagNames(uint32_t flags, const FlagName (&names)[N]) {
    std::string out;
    for (const FlagName& flag : names) {
        if (flags & flag.bit) {
            out += (out.empty() ? "" : "|") + std::string(flag.name);
            flags &= ~flag.bit;
        }
    }
    if (flags != 0) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "0x%X", flags);
        out += (out.empty() ? "" : "|") + std::string(hex);
    }
    return out.empty() ? "-" : out;
}

std::string ModeText(uint32_t flags) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%02X", flags);
    if (flags == 0)
        return std::string(hex) + " (no bits set: no byte-order mark, names compared exactly)";
    std::string meanings;
    for (const FlagName& flag : kModeMeanings) {
        if (flags & flag.bit)
            meanings += (meanings.empty() ? "" : "; ") + std::string(flag.name);
    }
    return std::string(hex) + " " + ModeFlagNames(flags) + " (" + meanings + ")";
}

// Line and column (from 1, in characters) of a 16-bit offset into text; CR LF, CR and LF each
// end a line.
std::string LineAndColumn(std::u16string_view text, size_t offset) {
    size_t line = 1;
    size_t column = 1;
    for (size_t i = 0; i < offset && i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == u'\n' || (c == u'\r' && (i + 1 >= text.size() || text[i + 1] != u'\n'))) {
            ++line;
            column = 1;
        } else if (c != u'\r' && (c < 0xDC00 || c > 0xDFFF)) {
            ++column;
        }
    }
    return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

std::string ToUtf8(std::u16string_view text) {
    std::string out(Utf16ToUtf8(text.data(), text.size(), nullptr, 0), '\0');
    out.resize(Utf16ToUtf8(text.data(), text.size(), out.data(), out.size()));
    return out;
}

// The encoding attribute of the report's read entry: the name the file was read with.
std::u16string_view EncodingFound(std::u16string_view report) {
    constexpr std::u16string_view kRead = u"<read encoding=\"";
    const size_t at = report.find(kRead);
    if (at == std::u16string_view::npos)
        return {};
    const size_t begin = at + kRead.size();
    return report.substr(begin, report.find(u'"', begin) - begin);
}

} // namespace

std::string ModeFlagNames(uint32_t flags) {
    return FlagNames(flags, kModeFlags);
}

std::string ElementFlagNames(uint32_t flags) {
    return FlagNames(flags, kElementFlags);
}

int CheckStatus(const CXmlDoc& doc, bool loaded) {
    if (loaded)
        return kExitSound;
    return doc.report.find(u"<file_error ") != std::u16string::npos ? kExitUnreadable
                                                                    : kExitNotSound;
}

std::string ReportPositions(const CXmlDoc& doc) {
    std::string out;
    const std::u16string_view report = doc.report;
    for (size_t entry = report.find(u'<'); entry != std::u16string_view::npos;
         entry = report.find(u'<', entry + 1)) {
        const size_t end = report.find(u'>', entry);
        const std::u16string_view text = report.substr(entry + 1, end - entry - 1);
        const std::u16string_view name = text.substr(0, text.find(u' '));
        std::string positions;
        for (const std::u16string_view attribute : {u" offset=\"", u" offset2=\""}) {
            const size_t at = text.find(attribute);
            if (at == std::u16string_view::npos)
                continue;
            const size_t begin = at + attribute.size();
            const std::u16string_view digits = text.substr(begin, text.find(u'"', begin) - begin);
            size_t offset = 0;
            for (const char16_t digit : digits)
                offset = offset * 10 + static_cast<size_t>(digit - u'0');
            positions += std::string(positions.empty() ? "" : ", ") + ToUtf8(digits) + " (" +
                         LineAndColumn(doc.text, offset) + ")";
        }
        if (!positions.empty())
            out += "at: " + ToUtf8(name) + " at offset " + positions + "\n";
        if (end == std::u16string_view::npos)
            break;
    }
    return out;
}

size_t ReplacedCharacters(const CXmlDoc& doc, std::string_view bytes) {
    const std::u16string_view encoding = EncodingFound(doc.report);
    // Replacement characters that the file itself holds.
    std::string_view stored;
    if (encoding == u"UTF-8")
        stored = "\xEF\xBF\xBD";
    else if (encoding == u"UTF-16LE")
        stored = "\xFD\xFF";
    else if (encoding == u"UTF-16BE")
        stored = "\xFF\xFD";
    size_t inFile = 0;
    for (size_t at = stored.empty() ? std::string_view::npos : bytes.find(stored);
         at != std::string_view::npos; at = bytes.find(stored, at + stored.size()))
        ++inFile;
    size_t inText = 0;
    for (const char16_t c : doc.text)
        inText += c == u'\xFFFD';
    return inText > inFile ? inText - inFile : 0;
}

std::string CheckSummary(const CXmlDoc& doc, int status, size_t replaced) {
    const std::u16string_view encoding = EncodingFound(doc.report);
    std::string out = "encoding: ";
    const char* locale = CodePageCharset(CP_ACP);
    out += encoding.empty() ? std::string("(none declared: the locale's, ") +
                                  (locale ? locale : "unknown") + ")"
                            : ToUtf8(encoding);
    out += "\nmode: " + ModeText(doc.modeFlags);
    out += "\nreport: " + ToUtf8(doc.report) + "\n" + ReportPositions(doc);
    out += "sound: ";
    switch (status) {
    case kExitSound:
        out += "yes";
        break;
    case kExitNotSound:
        out += replaced == 0 ? "no"
                             : "no (" + std::to_string(replaced) +
                                   " characters could not be decoded and became U+FFFD)";
        break;
    default:
        out += "no (the file could not be read)";
        break;
    }
    return out + "\n";
}
