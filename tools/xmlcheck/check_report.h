#pragma once

#include <string>

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

// What xmlcheck prints for a loaded document: the encoding found, the mode bits, the
// result report and the verdict, one "name: value" line each.
std::string CheckSummary(const CXmlDoc& doc, int status);
