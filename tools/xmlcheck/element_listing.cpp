#include "element_listing.h"

#include "check_report.h"
#include "platform/utf8_convert.h"

namespace {

std::string Utf8(std::u16string_view text) {
    std::string out(Utf16ToUtf8(text.data(), text.size(), nullptr, 0), '\0');
    out.resize(Utf16ToUtf8(text.data(), text.size(), out.data(), out.size()));
    return out;
}

// The element after p in document order, 0 after the last.
int32_t NextInDocumentOrder(const CXmlDoc& doc, int32_t p) {
    if (doc.elements[p].firstChild != 0)
        return doc.elements[p].firstChild;
    while (p != 0) {
        if (doc.elements[p].nextSibling != 0)
            return doc.elements[p].nextSibling;
        p = doc.elements[p].parent;
    }
    return 0;
}

} // namespace

std::string EscapeField(std::u16string_view text) {
    std::u16string escaped;
    escaped.reserve(text.size());
    for (const char16_t c : text) {
        switch (c) {
        case u'\t':
            escaped += u"\\t";
            break;
        case u'\r':
            escaped += u"\\r";
            break;
        case u'\n':
            escaped += u"\\n";
            break;
        case u'\\':
            escaped += u"\\\\";
            break;
        default:
            escaped += c;
            break;
        }
    }
    return Utf8(escaped);
}

std::string ElementListing(const CXmlDoc& doc) {
    std::string out = "level\tname\toffset\tlength\tstart tag\tend tag\tflags\ttext (of a leaf)\n";
    for (int32_t p = doc.elements[0].firstChild; p != 0; p = NextInDocumentOrder(doc, p)) {
        const XmlElementRec& rec = doc.elements[p];
        out += std::to_string(rec.Level()) + "\t" + EscapeField(doc.ReadTagName(p)) + "\t" +
               std::to_string(rec.start) + "\t" + std::to_string(rec.length) + "\t" +
               std::to_string(rec.StartTagLength()) + "\t" + std::to_string(rec.EndTagLength()) +
               "\t" + ElementFlagNames(rec.flagsLevel & 0xFFFF0000u);
        if (rec.firstChild == 0)
            out += "\t" + EscapeField(doc.ReadText(p));
        out += "\n";
    }
    return out;
}
