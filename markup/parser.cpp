#include "markup/open_tag_stack.h"
#include "markup/report.h"
#include "markup/xml_doc.h"

namespace {

// Entry names of the errors a text may repeat many times, which are not even passed on once
// the report is full.
constexpr std::u16string_view kLoneEndTag = u"lone_end_tag";
constexpr std::u16string_view kUnendedStartTag = u"unended_start_tag";

// State of one run of the parse loop: the open elements and where new ones go.
class ElementBuilder {
  public:
    explicit ElementBuilder(CXmlDoc& doc)
        : d(doc), table(doc.elements), stack((doc.modeFlags & ModeIgnoreCase) != 0) {}

    int32_t OpenElement(const XmlNodeInfo& node, std::u16string_view name);
    void CloseElement(const XmlTokenReader& reader, const XmlNodeInfo& node);
    void CloseUnended(int32_t downToDepth, int32_t offset2);
    void MarkError() {
        table[0].Set(DocIllFormed);
        table[parent].Set(ElemHasError);
    }
    int32_t Depth() const { return stack.Depth(); }

  private:
    CXmlDoc& d;
    XmlElementTable& table;
    XmlOpenTagStack stack;
    int32_t parent = 0; // innermost open element, 0 for the document record
};

int32_t ElementBuilder::OpenElement(const XmlNodeInfo& node, std::u16string_view name) {
    if (d.usedCount == table.capacity)
        table.Reserve(d.usedCount + d.usedCount / 2);
    const int32_t p = d.usedCount++;
    XmlElementRec& rec = table[p];
    XmlElementRec& up = table[parent];
    rec.start = node.start;
    rec.length = node.length;
    rec.tagLengths = static_cast<uint32_t>(node.length);
    rec.parent = parent;
    rec.firstChild = 0;
    rec.nextSibling = 0;
    if (up.firstChild != 0) {
        XmlElementRec& first = table[up.firstChild];
        table[first.prevSibling].nextSibling = p;
        rec.prevSibling = first.prevSibling;
        first.prevSibling = p;
        rec.flagsLevel = 0;
    } else {
        up.firstChild = p;
        rec.prevSibling = p;
        rec.flagsLevel = ElemFirstChild;
    }
    rec.SetLevel(static_cast<uint32_t>(stack.Depth()) + table[0].Level());
    if (!(node.flags & NodeEmptyElement)) {
        stack.Push(name);
        parent = p;
    }
    return p;
}

void ElementBuilder::CloseElement(const XmlTokenReader& reader, const XmlNodeInfo& node) {
    const int32_t depth = stack.FindClosed(reader.Token());
    if (depth == 0) {
        MarkError();
        if (d.report.size() < kReportLimit)
            AddReportEntry(d.report, kLoneEndTag, reader.Token(), 0, node.start, -1);
        return;
    }
    int32_t match = parent;
    for (int32_t at = stack.Depth(); at > depth; --at)
        match = table[match].parent;
    XmlElementRec& m = table[match];
    m.length = node.start + node.length - m.start;
    m.SetEndTagLength(node.length);
    if (stack.Depth() > depth) {
        table[0].Set(DocIllFormed);
        CloseUnended(depth, node.start + 1);
    }
    stack.Pop();
    parent = m.parent;
}

// Closes the open elements deeper than downToDepth as unended. Each loses its children,
// which follow it as siblings: the result is that of closing them one by one, innermost
// first, but every child is relinked only once.
void ElementBuilder::CloseUnended(int32_t downToDepth, int32_t offset2) {
    int32_t outer = parent;
    for (int32_t u = parent;; u = table[u].parent) {
        if (d.report.size() < kReportLimit)
            AddReportEntry(d.report, kUnendedStartTag, stack.Name(stack.Depth()), 0, table[u].start,
                           offset2);
        stack.Pop();
        outer = u;
        if (stack.Depth() == downToDepth)
            break;
    }
    const int32_t up = table[outer].parent;

    // Outermost first: each element's children follow the list built so far. The
    // next inner element is always the last child of the one that encloses it.
    bool hadError = false;
    int32_t tail = outer;
    for (int32_t u = outer;;) {
        XmlElementRec& rec = table[u];
        const int32_t inner = (u == parent) ? 0 : table[rec.firstChild].prevSibling;
        hadError = hadError || rec.Has(ElemHasError);
        rec.Clear(ElemHasError);
        rec.Set(ElemUnended);
        rec.SetEndTagLength(0);
        rec.length = rec.StartTagLength();
        const int32_t child = rec.firstChild;
        rec.firstChild = 0;
        if (child != 0) {
            int32_t last = child;
            for (int32_t c = child; c != 0; c = table[c].nextSibling) {
                table[c].parent = up;
                last = c;
            }
            table[tail].nextSibling = child;
            table[child].prevSibling = tail;
            table[child].Clear(ElemFirstChild);
            tail = last;
        }
        if (inner == 0)
            break;
        u = inner;
    }
    table[table[up].firstChild].prevSibling = tail;
    if (hadError)
        table[up].Set(ElemHasError);
    parent = up;
}

} // namespace

bool CXmlDoc::Parse() {
    ClearPositions();
    usedCount = 1;
    const auto textLength = static_cast<int32_t>(text.size());
    const int32_t wanted = textLength / 64 + 8;
    if (elements.capacity < wanted)
        elements.Reserve(wanted);
    freeListHead = 0;
    elements[0] = XmlElementRec{};

    if (textLength != 0) {
        XmlTokenReader reader(text.c_str(), 0, modeFlags);
        reader.textLength = textLength;
        const int32_t first = ParseElements(reader);
        elements[0].length = textLength;
        if (first == 0) {
            AddReportEntry(report, u"no_root_element", std::nullopt, 0, -1, -1);
        } else {
            elements[0].firstChild = first;
            if (elements[first].nextSibling != 0)
                AddReportEntry(report, u"root_has_sibling", std::nullopt, 0, -1, -1);
        }
    }
    ClearPositions();
    return HasSoundStructure();
}

int32_t CXmlDoc::ParseElements(XmlTokenReader& reader) {
    ElementBuilder builder(*this);
    XmlNodeInfo node;
    int32_t first = 0;
    for (;;) {
        const int32_t kind = reader.ReadNode(node);
        // A tag longer than its length field holds is kept out of the index.
        if ((kind == NodeElement && node.length > kMaxStartTagLength) ||
            (kind == NodeEndTag && node.length > kMaxEndTagLength)) {
            builder.MarkError();
            AddReportEntry(report, u"tag_too_long", NodeKindReportName(kind), RPT_TYPE, node.start,
                           -1);
            continue;
        }
        switch (kind) {
        case NodeElement: {
            const int32_t p = builder.OpenElement(node, reader.Token());
            if (first == 0)
                first = p;
            break;
        }
        case NodeEndTag:
            builder.CloseElement(reader, node);
            break;
        case NodeError:
            builder.MarkError();
            if (report.size() < kReportLimit)
                report += node.report;
            node.report.clear();
            break;
        case NodeEndOfText:
            if (builder.Depth() > 0) {
                elements[0].Set(DocIllFormed);
                builder.CloseUnended(0, static_cast<int32_t>(text.size()));
            }
            return first;
        default:
            break;
        }
    }
}

bool CXmlDoc::HasSoundStructure() const {
    if (!elements.HasStorage())
        return false;
    const XmlElementRec& doc = elements[0];
    if (modeFlags & ModeWriteFile)
        return true;
    if (modeFlags & ModeReadFile)
        return !doc.Has(DocIllFormed);
    return !doc.Has(DocIllFormed) && doc.firstChild != 0 &&
           elements[doc.firstChild].nextSibling == 0;
}
