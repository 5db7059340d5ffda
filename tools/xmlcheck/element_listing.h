#pragma once

#include <string>

#include "markup/xml_doc.h"

// A line of column names, then one line per element in document order, fields separated by
// tabs: level, tag name, offset, length, start-tag length, end-tag length, flag names and, for
// an element without child elements, its text with tab, CR, LF and backslash escaped.
std::string ElementListing(const CXmlDoc& doc);

// text with tab, CR, LF and backslash written as \t, \r, \n and \\, as UTF-8.
std::string EscapeField(std::u16string_view text);
