#pragma once

#include <string>
#include <string_view>

class CXmlDoc;

// ASCII view of 16-bit text for messages and expectations; other units as \uXXXX.
std::string Narrow(std::u16string_view text);

// The element tree in document order, one element as name[start,length,startTag,endTag]
// followed by U (unended) and E (has error), children in parentheses, siblings separated
// by a space. An empty document gives "".
std::string DescribeIndex(const CXmlDoc& doc);
