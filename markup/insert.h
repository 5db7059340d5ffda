#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Element insertion flags. The word is also handed to EscapeMarkup, where 0x08 and 0x100
// are ESCF_KEEPREFS and ESCF_QUOTES.
inline constexpr uint32_t INS_CDATA = 0x0001;           // write data as a CDATA section
inline constexpr uint32_t INS_NO_LINE_ENDS = 0x0002;    // no CR LF, skip no white space
inline constexpr uint32_t INS_SPACE_SLASH = 0x0004;     // <name /> instead of <name/>
inline constexpr uint32_t INS_UNENDED = 0x0010;         // a lone start tag <name>
inline constexpr uint32_t INS_REPLACE_CONTENT = 0x1000; // replace the parent's whole content
inline constexpr uint32_t INS_BEFORE = 0x2000;          // before the reference element
inline constexpr uint32_t INS_AS_CHILD = 0x4000;        // under the current element

// Markup handed to CXmlDoc::InsertMarkup and where it was placed.
struct MarkupPlacement {
    std::u16string markup; // may be extended by the placement (line ends, parent wrapping)
    uint32_t flags = 0;
    int32_t start = 0; // on return: offset at which the new element or content begins
};

// Names that the node and token readers read back whole: not empty, and without "&", NUL or
// a name-token delimiter (white space, "<", ">", "=", "\\", "/", "?", "!", quotes, ";").
// An element name also begins with a character that opens an element after "<".
bool IsInsertableAttributeName(std::u16string_view name);
bool IsInsertableElementName(std::u16string_view name);

// "<![CDATA[" data "]]>", every "]]>" of the data split across two sections.
std::u16string MakeCDataSection(std::u16string_view data);
