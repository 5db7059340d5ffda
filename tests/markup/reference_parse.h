#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "markup/element_table.h"
#include "markup/token_reader.h"

// Plain readings of the markup kept beside the library's fast ones to check them against:
// one character at a time, open names searched one by one, unended elements closed one by
// one.

// Reads one node as XmlTokenReader::ReadNode does.
int32_t ReferenceReadNode(XmlTokenReader& reader, XmlNodeInfo& node);

struct ReferenceIndex {
    std::vector<XmlElementRec> records; // the document record first
    std::u16string report;
};

// The index and report that CXmlDoc::Parse builds for text (which ends at its first zero).
ReferenceIndex ReferenceParse(const std::u16string& text, uint32_t modeFlags);
