#include "reference_parse.h"

#include "markup/mode_flags.h"
#include "markup/report.h"

namespace {

struct OpenElement {
    int32_t position;
    std::u16string name;
};

class ReferenceBuilder {
  public:
    ReferenceBuilder(std::vector<XmlElementRec>& records, std::u16string& entries)
        : r(records), report(entries) {}

    int32_t Parent() const { return open.empty() ? 0 : open.back().position; }

    void MarkError() {
        r[0].Set(DocIllFormed);
        r[static_cast<size_t>(Parent())].Set(ElemHasError);
    }

    int32_t Open(const XmlNodeInfo& node, std::u16string_view name) {
        const auto p = static_cast<int32_t>(r.size());
        const int32_t parent = Parent();
        XmlElementRec rec{};
        rec.start = node.start;
        rec.tagLengths = static_cast<uint32_t>(node.length);
        rec.parent = parent;
        XmlElementRec& up = r[static_cast<size_t>(parent)];
        if (up.firstChild != 0) {
            XmlElementRec& first = r[static_cast<size_t>(up.firstChild)];
            r[static_cast<size_t>(first.prevSibling)].nextSibling = p;
            rec.prevSibling = first.prevSibling;
            first.prevSibling = p;
        } else {
            up.firstChild = p;
            rec.prevSibling = p;
            rec.flagsLevel = ElemFirstChild;
        }
        rec.SetLevel(static_cast<uint32_t>(open.size()));
        if (node.flags & NodeEmptyElement)
            rec.length = node.length;
        r.push_back(rec);
        if (!(node.flags & NodeEmptyElement))
            open.push_back({p, std::u16string(name)});
        return p;
    }

    void Close(const XmlTokenReader& reader, const XmlNodeInfo& node) {
        size_t m = open.size();
        while (m > 0 && !reader.NameEquals(open[m - 1].name))
            --m;
        if (m == 0) {
            MarkError();
            AddReportEntry(report, u"lone_end_tag", reader.Token(), 0, node.start, -1);
            return;
        }
        XmlElementRec& rec = r[static_cast<size_t>(open[m - 1].position)];
        rec.length = node.start + node.length - rec.start;
        rec.SetEndTagLength(node.length);
        if (open.size() > m)
            r[0].Set(DocIllFormed);
        while (open.size() > m)
            CloseUnended(node.start + 1);
        open.pop_back();
    }

    void CloseAll(int32_t offset2) {
        if (!open.empty())
            r[0].Set(DocIllFormed);
        while (!open.empty())
            CloseUnended(offset2);
    }

  private:
    void CloseUnended(int32_t offset2) {
        const int32_t u = open.back().position;
        XmlElementRec& rec = r[static_cast<size_t>(u)];
        const int32_t p = rec.parent;
        rec.SetEndTagLength(0);
        rec.Set(ElemUnended);
        rec.length = rec.StartTagLength();
        const int32_t child = rec.firstChild;
        rec.firstChild = 0;
        if (rec.Has(ElemHasError)) {
            rec.Clear(ElemHasError);
            r[static_cast<size_t>(p)].Set(ElemHasError);
        }
        if (child != 0) {
            int32_t last = child;
            for (int32_t c = child; c != 0; c = r[static_cast<size_t>(c)].nextSibling) {
                r[static_cast<size_t>(c)].parent = p;
                last = c;
            }
            r[static_cast<size_t>(u)].nextSibling = child;
            r[static_cast<size_t>(child)].prevSibling = u;
            r[static_cast<size_t>(child)].Clear(ElemFirstChild);
            r[static_cast<size_t>(r[static_cast<size_t>(p)].firstChild)].prevSibling = last;
        }
        AddReportEntry(report, u"unended_start_tag", open.back().name, 0, rec.start, offset2);
        open.pop_back();
    }

    std::vector<XmlElementRec>& r;
    std::u16string& report;
    std::vector<OpenElement> open;
};

} // namespace

ReferenceIndex ReferenceParse(const std::u16string& text, uint32_t modeFlags) {
    ReferenceIndex index;
    index.records.push_back(XmlElementRec{});
    const auto textLength = static_cast<int32_t>(std::u16string_view(text.c_str()).size());
    if (textLength == 0)
        return index;

    ReferenceBuilder builder(index.records, index.report);
    XmlTokenReader reader(text.c_str(), 0, modeFlags);
    XmlNodeInfo node;
    int32_t first = 0;
    for (bool done = false; !done;) {
        const int32_t kind = ReferenceReadNode(reader, node);
        if ((kind == NodeElement && node.length > kMaxStartTagLength) ||
            (kind == NodeEndTag && node.length > kMaxEndTagLength)) {
            builder.MarkError();
            AddReportEntry(index.report, u"tag_too_long", NodeKindReportName(kind), RPT_TYPE,
                           node.start, -1);
            continue;
        }
        switch (kind) {
        case NodeElement: {
            const int32_t p = builder.Open(node, reader.Token());
            if (first == 0)
                first = p;
            break;
        }
        case NodeEndTag:
            builder.Close(reader, node);
            break;
        case NodeError:
            builder.MarkError();
            if (index.report.size() < kReportLimit)
                index.report += node.report;
            node.report.clear();
            break;
        case NodeEndOfText:
            builder.CloseAll(textLength);
            done = true;
            break;
        default:
            break;
        }
    }
    XmlElementRec& doc = index.records[0];
    doc.length = textLength;
    if (first == 0) {
        AddReportEntry(index.report, u"no_root_element", std::nullopt, 0, -1, -1);
    } else {
        doc.firstChild = first;
        if (index.records[static_cast<size_t>(first)].nextSibling != 0)
            AddReportEntry(index.report, u"root_has_sibling", std::nullopt, 0, -1, -1);
    }
    return index;
}
