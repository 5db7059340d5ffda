#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class CTextFile;

// XmlTokenReader::flags bit: the current token was a quoted value.
inline constexpr uint32_t TokenQuoted = 0x8000;
// XmlNodeInfo::flags bit: a start tag closed by "/>".
inline constexpr uint32_t NodeEmptyElement = 0x10000;

enum XmlNodeKind : int32_t {
    NodeEndTag = 0,
    NodeElement = 1,
    NodeText = 2,
    NodeWhitespace = 4,
    NodeCData = 8,
    NodeProcessingInstruction = 16,
    NodeComment = 32,
    NodeDocType = 64,
    NodeLoneEndTag = 128,
    NodeError = -1,
    NodeEndOfText = -2,
};

// The name a node kind has in report entries; empty for kinds that have none.
std::u16string_view NodeKindReportName(int32_t kind);

// What ReadNode found out about one node.
struct XmlNodeInfo {
    int32_t kind = NodeError;
    int32_t start = 0;
    int32_t length = 0;
    uint32_t flags = 0;
    std::u16string report; // entries for problems met while reading nodes
};

// An ASCII lower-case letter as upper case; anything else unchanged.
inline char16_t FoldAscii(char16_t c) {
    return (c >= u'a' && c <= u'z') ? char16_t(c - 0x20) : c;
}
inline bool IsXmlWhiteSpace(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
}
inline bool IsPathDelimiter(char16_t c) {
    return c == u' ' || c == u'=' || c == u'/' || c == u'[' || c == u']';
}
// Where NextName's token ends.
inline bool IsNameTokenDelimiter(char16_t c) {
    switch (c) {
    case u'<':
    case u'>':
    case u'=':
    case u'\\':
    case u'/':
    case u'?':
    case u'!':
    case u'"':
    case u'\'':
    case u';':
        return true;
    default:
        return IsXmlWhiteSpace(c);
    }
}
// May stand before the "/" of "/>" that closes an empty-element tag.
inline bool IsEmptyTagLead(char16_t c) {
    return c == u'\'' || c == u'"' || IsXmlWhiteSpace(c);
}
// May follow "<" to open an element.
inline bool IsNameStart(char16_t c) {
    return (c >= u'A' && c <= u'Z') || c == u'_' || c == u':' || c > 0x60;
}

// Compares count characters, folding ASCII letter case until an equal pair above U+007F
// has been met; from then on characters must be equal. Returns 0 when all match, else
// the (folded) difference of the first unequal pair.
int CompareIgnoreCase(const char16_t* a, const char16_t* b, int32_t count);

// A name token equals name up to name's end or its first path delimiter (name may carry a
// path tail): name begins with token and has its end, a zero or a path delimiter after it.
bool TokenMatchesName(std::u16string_view token, std::u16string_view name, bool ignoreCase);

// Scanner over one zero-terminated text: reads nodes and name and attribute tokens.
class XmlTokenReader {
  public:
    int32_t tokenStart = 0;
    int32_t tokenEnd = -1; // tokenStart - 1 for an empty token
    int32_t pos = 0;
    const char16_t* text = nullptr;  // not owned; a zero unit ends it
    uint32_t flags = 0;              // ModeIgnoreCase and TokenQuoted matter here
    int32_t attrStart = 0;           // LocateAttribute: where the white space before it begins
    int32_t attrSpace = 0;           // LocateAttribute: length of that white space
    CTextFile* fileSource = nullptr; // file-attached read mode only; never set
    // Units before the zero that ends text, when the caller knows them (-1 otherwise): node
    // reading may then scan ahead in blocks of several units.
    int32_t textLength = -1;

    XmlTokenReader(const char16_t* zeroTerminated, int32_t start, uint32_t modeFlags)
        : pos(start), text(zeroTerminated), flags(modeFlags) {}

    // Reads the node that starts at pos, leaves pos after it and returns its kind.
    int32_t ReadNode(XmlNodeInfo& node);
    // Advances over white space; leaves an empty token at pos. False at the end of text.
    bool SkipSpace();
    // Reads the next name token. False at the end of text.
    bool NextName();
    // The current token equals name up to name's end or first path delimiter.
    bool NameEquals(std::u16string_view name) const;
    // Finds an attribute of the start tag (or processing instruction) the reader is in,
    // just after its "<" (or "<?"). Absent name: the first attribute.
    bool LocateAttribute(std::optional<std::u16string_view> name);

    int32_t TokenLength() const { return tokenEnd - tokenStart + 1; }
    std::u16string_view Token() const {
        return {text + tokenStart, static_cast<size_t>(TokenLength())};
    }
};
