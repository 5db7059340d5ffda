#include "test_support.h"

#include <cstdio>

#include "markup/xml_doc.h"

std::string Narrow(std::u16string_view text) {
    std::string out;
    for (char16_t c : text) {
        if (c >= 0x20 && c < 0x7F) {
            out.push_back(static_cast<char>(c));
        } else {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\u%04X", unsigned(c));
            out += buffer;
        }
    }
    return out;
}

namespace {

void Describe(const CXmlDoc& doc, int32_t first, std::string& out) {
    for (int32_t p = first; p != 0; p = doc.elements[p].nextSibling) {
        const XmlElementRec& r = doc.elements[p];
        if (p != first)
            out += ' ';
        XmlTokenReader reader(doc.text.c_str(), r.start + 1, 0);
        if (reader.NextName())
            out += Narrow(reader.Token());
        out += '[' + std::to_string(r.start) + ',' + std::to_string(r.length) + ',' +
               std::to_string(r.StartTagLength()) + ',' + std::to_string(r.EndTagLength()) + ']';
        if (r.Has(ElemUnended))
            out += 'U';
        if (r.Has(ElemHasError))
            out += 'E';
        if (r.firstChild != 0) {
            out += '(';
            Describe(doc, r.firstChild, out);
            out += ')';
        }
    }
}

} // namespace

std::string DescribeIndex(const CXmlDoc& doc) {
    std::string out;
    Describe(doc, doc.elements[0].firstChild, out);
    return out;
}
