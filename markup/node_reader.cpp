#include "markup/char_scan.h"
#include "markup/report.h"
#include "markup/token_reader.h"

namespace {

// What the markup read so far is, while no terminator is set.
enum Mark : uint32_t {
    AfterLt = 0x01,
    AfterBang = 0x02,
    AfterBangDash = 0x04,
    AfterBangBracket = 0x08,
    InDocType = 0x20,
    InSingleQuote = 0x40,
    InDoubleQuote = 0x80,
    AfterEquals = 0x100,
};

constexpr uint32_t kQuoteMarks = InSingleQuote | InDoubleQuote;

constexpr uint64_t kWhiteSpace = CharSet({u' ', u'\t', u'\n', u'\r'});
// Where a tag name ends, with the zero that ends the text.
constexpr uint64_t kNameEnd = kWhiteSpace | CharSet({0, u'/', u'>'});
// Characters of a start tag that the quote tracking must see (outside quoted values), with
// the zero; "<" as well in markup skipped after an error.
constexpr uint64_t kTagStop = kWhiteSpace | CharSet({0, u'"', u'\'', u'=', u'>'});
constexpr uint64_t kSkippedMarkupStop = kTagStop | CharSet({u'<'});

bool IsDeclarationLetter(char16_t c) {
    return c == u'E' || c == u'A' || c == u'N';
}

// The node reader's working state for one node.
struct NodeScan {
    int32_t kind = NodeError;
    std::u16string_view terminator; // empty: none
    bool inName = false;
    int32_t nameBegin = 0;
    char16_t c1 = 0; // previous character, 0 for none
    char16_t c2 = 0; // the one before it
    uint32_t marks = 0;

    bool Has(uint32_t m) const { return (marks & m) != 0; }
    // At a start tag's ">": the "/" before it closes an empty-element tag.
    bool EndsEmptyTag() const { return c1 == u'/' && (c2 == 0 || IsEmptyTagLead(c2)); }
    void Expect(int32_t nodeKind, std::u16string_view end) {
        kind = nodeKind;
        terminator = end;
    }
};

// Attribute quoting inside a start tag (or skipped markup), so that ">" in a quoted
// value does not end it.
[[gnu::always_inline]] inline void TrackQuotes(NodeScan& s, char16_t c) {
    if (s.Has(InDoubleQuote)) {
        if (c == u'"')
            s.marks &= ~InDoubleQuote;
    } else if (s.Has(InSingleQuote)) {
        if (c == u'\'')
            s.marks &= ~InSingleQuote;
    } else if ((c == u'"' || c == u'\'') && s.Has(AfterEquals)) {
        s.marks &= ~AfterEquals;
        s.marks |= c == u'"' ? InDoubleQuote : InSingleQuote;
    } else if (c == u'=' && s.c1 != u'=') {
        s.marks ^= AfterEquals;
    } else if (!IsXmlWhiteSpace(c) && c != u'"' && c != u'\'') {
        s.marks &= ~AfterEquals;
    }
    s.c2 = s.c1;
    s.c1 = c;
}

// The previous two characters after passing over the units from i to j.
void NotePassed(NodeScan& s, const char16_t* text, int32_t i, int32_t j) {
    if (j - i >= 2) {
        s.c2 = text[j - 2];
        s.c1 = text[j - 1];
    } else if (j - i == 1) {
        s.c2 = s.c1;
        s.c1 = text[i];
    }
}

// Passes over a run of a start tag (or of markup skipped after an error) that the quote
// tracking would only pass through: a quoted value up to its closing mark, or characters
// that only clear AfterEquals.
[[gnu::always_inline]] inline int32_t SkipInTag(NodeScan& s, const char16_t* text, int32_t i,
                                                int32_t limit) {
    int32_t j;
    if (s.Has(kQuoteMarks)) {
        const bool skipped = s.kind == NodeError;
        if (s.Has(InDoubleQuote))
            j = skipped ? FindFirstOf<u'"', u'<'>(text, i, limit)
                        : FindFirstOf<u'"'>(text, i, limit);
        else
            j = skipped ? FindFirstOf<u'\'', u'<'>(text, i, limit)
                        : FindFirstOf<u'\''>(text, i, limit);
    } else {
        j = SkipUntilIn(s.kind == NodeError ? kSkippedMarkupStop : kTagStop, text, i);
        if (j != i)
            s.marks &= ~AfterEquals;
    }
    NotePassed(s, text, i, j);
    return j;
}

// The first unit at or after i that the node's state does more with than pass over it.
int32_t SkipPassedOver(NodeScan& s, const char16_t* text, int32_t i, int32_t limit) {
    if (s.inName)
        return SkipUntilIn(kNameEnd, text, i);
    if (!s.terminator.empty()) {
        switch (s.kind) {
        case NodeElement:
        case NodeError:
            return SkipInTag(s, text, i, limit);
        case NodeDocType:
            return FindFirstOf<u'>', u'"', u'\''>(text, i, limit);
        default:
            return FindFirstOf<u'>'>(text, i, limit);
        }
    }
    if (s.marks == InDocType)
        return FindFirstOf<u'<', u'>'>(text, i, limit);
    return i;
}

// Reads a node that begins with "<" (or the end of the text) with the whole state machine,
// passing over runs where it may. Character data never comes here: ReadCharacterData reads it.
int32_t ReadAnyNode(XmlTokenReader& reader, XmlNodeInfo& node) {
    int32_t& pos = reader.pos;
    const char16_t* const text = reader.text;
    node.start = pos;
    node.flags = 0;
    NodeScan s;
    int32_t i = pos;

    auto error = [&](std::u16string_view name) {
        AddReportEntry(node.report, name, std::nullopt, 0, pos, -1);
        s.Expect(NodeError, u">");
    };

    for (;; ++i) {
        i = SkipPassedOver(s, text, i, reader.textLength);
        const char16_t c = text[i];
        if (c == 0)
            break;

        if (s.inName) { // c ends the name
            s.inName = false;
            reader.tokenStart = s.nameBegin;
            reader.tokenEnd = i - 1;
            s.c1 = s.c2 = 0;
        }

        if (!s.terminator.empty()) {
            if (c == u'>' && !s.Has(kQuoteMarks)) {
                pos = i + 1;
                const auto n = static_cast<int32_t>(s.terminator.size());
                if (n == 1) {
                    s.terminator = {};
                    if (s.kind == NodeElement && s.EndsEmptyTag())
                        node.flags |= NodeEmptyElement;
                } else if (i > n &&
                           std::u16string_view(text + i - (n - 1), static_cast<size_t>(n - 1)) ==
                               s.terminator.substr(0, static_cast<size_t>(n - 1))) {
                    s.terminator = {};
                }
                if (!s.terminator.empty() || s.Has(InDocType))
                    continue;
                break;
            }
            if (c == u'<' && s.kind == NodeError) {
                pos = i;
                break;
            }
            if (s.kind == NodeElement || s.kind == NodeError) {
                TrackQuotes(s, c);
            } else if (s.kind == NodeDocType) {
                if (c == u'"' && !s.Has(InSingleQuote))
                    s.marks ^= InDoubleQuote;
                else if (c == u'\'' && !s.Has(InDoubleQuote))
                    s.marks ^= InSingleQuote;
            }
            continue;
        }

        if (s.marks == 0) {
            s.marks = AfterLt; // the node's first character, "<"
        } else if (s.Has(AfterLt)) {
            s.marks &= ~AfterLt;
            if (IsNameStart(c)) {
                s.Expect(NodeElement, u">");
                s.inName = true;
                s.nameBegin = i;
            } else if (c == u'/') {
                s.Expect(NodeEndTag, u">");
                s.inName = true;
                s.nameBegin = i + 1;
            } else if (c == u'!') {
                s.marks |= AfterBang;
            } else if (c == u'?') {
                s.Expect(NodeProcessingInstruction, u"?>");
                s.inName = true;
                s.nameBegin = i + 1;
            } else {
                error(u"first_tag_syntax");
            }
        } else if (s.Has(AfterBang)) {
            s.marks &= ~AfterBang;
            if (c == u'-')
                s.marks |= AfterBangDash;
            else if (s.Has(InDocType) && IsDeclarationLetter(c))
                s.Expect(NodeDocType, u">");
            else if (s.Has(InDocType))
                error(u"doctype_tag_syntax");
            else if (c == u'[')
                s.marks |= AfterBangBracket;
            else if (c == u'D')
                s.marks |= InDocType;
            else
                error(u"exclamation_tag_syntax");
        } else if (s.Has(AfterBangDash)) {
            s.marks &= ~AfterBangDash;
            if (c == u'-')
                s.Expect(NodeComment, u"-->");
            else
                error(u"comment_tag_syntax");
        } else if (s.Has(AfterBangBracket)) {
            s.marks &= ~AfterBangBracket;
            if (c == u'C')
                s.Expect(NodeCData, u"]]>");
            else
                error(u"cdata_section_syntax");
        } else if (s.Has(InDocType)) {
            if (c == u'<') {
                s.marks |= AfterLt;
            } else if (c == u'>') {
                s.kind = NodeDocType;
                pos = i + 1;
                break;
            }
        }
    }

    if (text[i] == 0) {
        pos = i;
        if (pos == node.start) {
            node.kind = 0;
            node.length = 0;
            return NodeEndOfText;
        }
        const std::u16string_view type =
            s.Has(InDocType) ? u"document_type" : NodeKindReportName(s.kind);
        AddReportEntry(node.report, u"unterminated_tag_syntax", type, RPT_TYPE, node.start, -1);
        s.kind = NodeError;
    }
    node.kind = s.kind;
    node.length = pos - node.start;
    return s.kind;
}

// Fast paths for the nodes most texts are made of. Each gives what the state machine gives;
// a start or end tag that the text ends inside is left to the state machine (false), which
// sets again everything the fast path may have set.

// Character data: a white-space run up to "<", or text up to before "<" or after ">".
int32_t ReadCharacterData(XmlTokenReader& reader, int32_t start) {
    const char16_t* const text = reader.text;
    int32_t i = start;
    if (IsXmlWhiteSpace(text[i])) {
        i = FindFirstNotOf<u' ', u'\t', u'\n', u'\r'>(text, i + 1, reader.textLength);
        if (text[i] == u'<' || text[i] == 0) {
            reader.pos = i;
            return NodeWhitespace;
        }
    }
    // The character that makes the node text is not compared with its terminator.
    i = FindFirstOf<u'<', u'>'>(text, i + 1, reader.textLength);
    reader.pos = text[i] == u'>' ? i + 1 : i;
    return NodeText;
}

// "<" and a name-start character: a start tag up to its first ">" outside quoted values.
bool ReadStartTag(XmlTokenReader& reader, XmlNodeInfo& node) {
    const char16_t* const text = reader.text;
    const int32_t nameBegin = node.start + 1;
    int32_t i = SkipUntilIn(kNameEnd, text, nameBegin + 1);
    if (text[i] == 0)
        return false;
    reader.tokenStart = nameBegin;
    reader.tokenEnd = i - 1;
    NodeScan s;
    s.kind = NodeElement;
    for (;;) {
        const char16_t c = text[i];
        if (c == u'>' && !s.Has(kQuoteMarks)) {
            if (s.EndsEmptyTag())
                node.flags |= NodeEmptyElement;
            reader.pos = i + 1;
            return true;
        }
        if (c == 0)
            return false;
        TrackQuotes(s, c);
        i = SkipInTag(s, text, i + 1, reader.textLength);
    }
}

// "</": an end tag up to its first ">".
bool ReadEndTag(XmlTokenReader& reader) {
    const char16_t* const text = reader.text;
    const int32_t nameBegin = reader.pos + 2;
    int32_t i = SkipUntilIn(kNameEnd, text, nameBegin);
    if (text[i] == 0)
        return false;
    reader.tokenStart = nameBegin;
    reader.tokenEnd = i - 1;
    i = FindFirstOf<u'>'>(text, i, reader.textLength);
    if (text[i] == 0)
        return false;
    reader.pos = i + 1;
    return true;
}

} // namespace

std::u16string_view NodeKindReportName(int32_t kind) {
    switch (kind) {
    case NodeEndTag:
        return u"end_tag";
    case NodeElement:
        return u"start_tag";
    case NodeCData:
        return u"cdata_section";
    case NodeProcessingInstruction:
        return u"processing_instruction";
    case NodeComment:
        return u"comment";
    case NodeDocType:
        return u"document_type";
    case NodeError:
        return u"tag";
    default:
        return {};
    }
}

int32_t XmlTokenReader::ReadNode(XmlNodeInfo& node) {
    node.start = pos;
    node.flags = 0;
    int32_t kind;
    const char16_t c = text[pos];
    if (c == u'<') {
        const char16_t next = text[pos + 1];
        if (IsNameStart(next) && ReadStartTag(*this, node))
            kind = NodeElement;
        else if (next == u'/' && ReadEndTag(*this))
            kind = NodeEndTag;
        else
            return ReadAnyNode(*this, node);
    } else if (c != 0) {
        kind = ReadCharacterData(*this, pos);
    } else {
        return ReadAnyNode(*this, node);
    }
    node.kind = kind;
    node.length = pos - node.start;
    return kind;
}
