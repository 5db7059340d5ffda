#include "markup/report.h"

#include "markup/decimal_text.h"
#include "markup/xml_doc.h"

namespace {

std::u16string_view TextAttributeName(uint32_t flags) {
    if (flags & RPT_TYPE)
        return u"type";
    if (flags & RPT_ENCODING)
        return u"encoding";
    if (flags & RPT_MSG)
        return u"msg";
    return u"tagname";
}

std::u16string_view NumberAttributeName(uint32_t flags) {
    if (flags & RPT_N)
        return u"n";
    if (flags & RPT_COUNT)
        return u"count";
    if (flags & RPT_LENGTH)
        return u"length";
    return u"offset";
}

// The first top-level element named exactly name, 0 if none.
int32_t FindEntry(const CXmlDoc& entries, std::u16string_view name) {
    for (int32_t p = entries.elements[0].firstChild; p != 0; p = entries.elements[p].nextSibling) {
        XmlTokenReader reader(entries.text.c_str(), entries.elements[p].start + 1, 0);
        if (reader.NextName() && reader.Token() == name)
            return p;
    }
    return 0;
}

} // namespace

void AddReportEntry(std::u16string& report, std::u16string_view name,
                    std::optional<std::u16string_view> text, uint32_t flags, int32_t number,
                    int32_t number2) {
    if (report.size() >= kReportLimit)
        return;
    CXmlDoc entries{std::u16string(report)};

    int32_t entry = 0;
    if (flags & RPT_UPDATE) {
        entry = FindEntry(entries, name);
        if (entry == 0)
            return;
        entries.currentPos = entry;
        entries.nodeKind = NodeElement;
    } else {
        const int32_t first = entries.elements[0].firstChild;
        entries.currentPos = first == 0 ? 0 : entries.elements[first].prevSibling;
        if (!entries.InsertElement(name, {}, INS_NO_LINE_ENDS))
            return;
        entry = entries.currentPos;
    }

    if (text)
        entries.PutAttribute(entry, TextAttributeName(flags), *text);
    if ((flags & (RPT_N | RPT_COUNT | RPT_LENGTH)) || number != -1)
        entries.PutAttribute(entry, NumberAttributeName(flags), DecimalText(number));
    if (number2 != -1)
        entries.PutAttribute(entry, u"offset2", DecimalText(number2));
    report = std::move(entries.text);
}
