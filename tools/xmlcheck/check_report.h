#pragma once

#include <string>
#include <string_view>

#include "markup/xml_doc.h"

// Exit status of xmlcheck.
inline constexpr int kExitSound = 0;
inline constexpr int kExitNotSound = 1;
inline constexpr int kExitUnreadable = 2;

// The names of the flag bits set in flags ("ModeUtf8Bom|ModeIgnoreCase", "ElemUnended"), or
// "-" when none is set; unnamed bits are shown in hexadecimal.
std::string ModeFlagNames(uint32_t flags);
std::string ElementFlagNames(uint32_t flags);

// The exit status for a document and the result of its LoadFile.
int CheckStatus(const CXmlDoc& doc, bool loaded);

// How many characters of the document's text became U+FFFD when the file's bytes were decoded:
// those beyond the replacement characters that the bytes themselves encode.
size_t ReplacedCharacters(const CXmlDoc& doc, std::string_view bytes);

// The report's entries that name offsets, one "at:" line each, with the line and column of
// every offset.
std::string ReportPositions(const CXmlDoc& doc);

// What xmlcheck prints for a loaded document: the encoding found, the mode bits with their
// meaning, the result report with its positions, and the verdict; replaced characters (see
// ReplacedCharacters) are named in a verdict of kExitNotSound.
std::string CheckSummary(const CXmlDoc& doc, int status, size_t replaced = 0);
