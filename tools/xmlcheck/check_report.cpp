#include "check_report.h"

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

std::string CheckSummary(const CXmlDoc& doc, int status) {
    const std::u16string_view encoding = EncodingFound(doc.report);
    std::string out = "encoding: ";
    out += encoding.empty() ? "(none found: the ANSI code page)" : ToUtf8(encoding);
    char mode[16];
    std::snprintf(mode, sizeof mode, "0x%02X", doc.modeFlags);
    out += "\nmode: " + std::string(mode) + " " + ModeFlagNames(doc.modeFlags);
    out += "\nreport: " + ToUtf8(doc.report);
    out += "\nsound: ";
    switch (status) {
    case kExitSound:
        out += "yes";
        break;
    case kExitNotSound:
        out += "no";
        break;
    default:
        out += "no (the file could not be read)";
        break;
    }
    return out + "\n";
}
