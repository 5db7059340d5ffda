#include "reference_parse.h"

#include <vector>

#include "markup/report.h"

// The node reader as first written: one character at a time, no skipping.
namespace {

// What the markup read so far is, while no terminator is set.
enum Mark : uint32_t {
    AfterLt = 0x01,
    AfterBang = 0x02,
    AfterBangDash = 0x04,
    AfterBangBracket = 0x08,
    InSpaceRun = 0x10,
    InDocType = 0x20,
    InSingleQuote = 0x40,
    InDoubleQuote = 0x80,
    AfterEquals = 0x100,
};

constexpr uint32_t kQuoteMarks = InSingleQuote | InDoubleQuote;

bool IsTagNameEnd(char16_t c) {
    return c == u'/' || c == u'>' || IsXmlWhiteSpace(c);
}

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
    void Expect(int32_t nodeKind, std::u16string_view end) {
        kind = nodeKind;
        terminator = end;
    }
};

// Attribute quoting inside a start tag (or skipped markup), so that ">" in a quoted
// value does not end it.
void TrackQuotes(NodeScan& s, char16_t c) {
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

} // namespace

int32_t ReferenceReadNode(XmlTokenReader& reader, XmlNodeInfo& node) {
    int32_t& pos = reader.pos;
    const char16_t* const text = reader.text;
    int32_t& tokenStart = reader.tokenStart;
    int32_t& tokenEnd = reader.tokenEnd;
    node.start = pos;
    node.flags = 0;
    NodeScan s;
    int32_t i = pos;

    auto error = [&](std::u16string_view name) {
        AddReportEntry(node.report, name, std::nullopt, 0, pos, -1);
        s.Expect(NodeError, u">");
    };

    for (;; ++i) {
        const char16_t c = text[i];
        if (c == 0)
            break;

        if (s.inName) {
            if (!IsTagNameEnd(c))
                continue;
            s.inName = false;
            tokenStart = s.nameBegin;
            tokenEnd = i - 1;
            s.c1 = s.c2 = 0;
        }

        if (!s.terminator.empty()) {
            if (c == u'>' && !s.Has(kQuoteMarks)) {
                pos = i + 1;
                const auto n = static_cast<int32_t>(s.terminator.size());
                if (n == 1) {
                    s.terminator = {};
                    if (s.kind == NodeElement && s.c1 == u'/' &&
                        (s.c2 == 0 || IsEmptyTagLead(s.c2)))
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
            if (c == u'<' && (s.kind == NodeText || s.kind == NodeError)) {
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
            if (c == u'<') {
                s.marks = AfterLt;
            } else if (IsXmlWhiteSpace(c)) {
                s.kind = NodeWhitespace;
                s.marks = InSpaceRun;
            } else {
                s.Expect(NodeText, u"<");
            }
        } else if (s.Has(InSpaceRun)) {
            if (c == u'<') {
                pos = i;
                break;
            }
            if (!IsXmlWhiteSpace(c)) {
                s.marks &= ~InSpaceRun;
                s.Expect(NodeText, u"<");
            }
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
        if (s.kind != NodeText && s.kind != NodeWhitespace) {
            const std::u16string_view type =
                s.Has(InDocType) ? u"document_type" : NodeKindReportName(s.kind);
            AddReportEntry(node.report, u"unterminated_tag_syntax", type, RPT_TYPE, node.start, -1);
            s.kind = NodeError;
        }
    }
    node.kind = s.kind;
    node.length = pos - node.start;
    return s.kind;
}
