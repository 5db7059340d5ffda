#include <algorithm>

#include "markup/char_scan.h"
#include "markup/escape.h"
#include "markup/xml_doc.h"

namespace {

constexpr int32_t kCDataOpenLength = 9;    // "<![CDATA["
constexpr int32_t kCDataMarkupLength = 12; // "<![CDATA[" and "]]>"

} // namespace

std::u16string CXmlDoc::ReadText(int32_t element) const {
    if (element == 0 || !IsLiveElement(element))
        return {};
    const XmlElementRec& rec = elements[element];
    const int32_t startTag = rec.StartTagLength();
    if (startTag == rec.length || rec.firstChild != 0)
        return {};
    const int32_t contentStart = rec.start + startTag;
    const int32_t contentLength = rec.length - startTag - rec.EndTagLength();
    if (contentLength <= 0)
        return {};
    const char16_t* content = text.c_str() + contentStart;
    const int32_t special = FindInSpan<u'<', u'&'>(content, 0, contentLength);
    if (special == contentLength) // plain text: nothing to decode
        return std::u16string(content, static_cast<size_t>(contentLength));
    if (content[special] == u'&' &&
        FindInSpan<u'<'>(content, special + 1, contentLength) == contentLength)
        return UnescapeMarkup(content, contentLength);

    const int32_t contentEnd = contentStart + contentLength;
    std::u16string result;
    XmlTokenReader reader(text.c_str(), contentStart, modeFlags);
    XmlNodeInfo node;
    while (reader.pos < contentEnd) {
        const int32_t before = reader.pos;
        const int32_t kind = reader.ReadNode(node);
        if (kind == NodeEndOfText || reader.pos <= before)
            break;
        const int32_t length = std::min(node.length, contentEnd - node.start);
        if (kind == NodeText) {
            result += UnescapeMarkup(text.c_str() + node.start, length);
        } else if (kind == NodeCData && length >= kCDataMarkupLength) {
            result.append(text, static_cast<size_t>(node.start + kCDataOpenLength),
                          static_cast<size_t>(length - kCDataMarkupLength));
        }
        node.report.clear();
    }
    return result;
}

std::u16string CXmlDoc::ReadChildText() const {
    return ReadText(childPos);
}

std::u16string CXmlDoc::ReadTagName(int32_t element) const {
    if (element == 0 || !IsLiveElement(element))
        return {};
    XmlTokenReader reader(text.c_str(), elements[element].start + 1, modeFlags);
    if (!reader.NextName())
        return {};
    return std::u16string(reader.Token());
}
