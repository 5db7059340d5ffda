#include "textfile/encoding_sniff.h"

#include "markup/mode_flags.h"
#include "markup/token_reader.h"

namespace {

// The charset word of a meta content value such as "text/html; charset=gb2312". The reader
// stands just after the value; its token is the value.
std::u16string CharsetOfContent(XmlTokenReader& reader) {
    const int32_t limit = reader.pos;
    reader.pos = reader.tokenStart;
    for (;;) {
        if (!reader.NextName())
            return {};
        if (reader.NameEquals(u"charset")) {
            if (!reader.NextName())
                return {};
            if (reader.NameEquals(u"=")) {
                if (!reader.NextName())
                    return {};
                return std::u16string(reader.Token());
            }
        }
        if (reader.pos >= limit)
            return {};
    }
}

// The charset of a meta element whose "<" is at tagStart; empty when it has none.
std::u16string CharsetOfMeta(XmlTokenReader& reader, int32_t tagStart, bool& done) {
    reader.pos = tagStart + 1;
    if (!reader.LocateAttribute(u"http-equiv") || !reader.NameEquals(u"Content-Type"))
        return {};
    done = true;
    reader.pos = tagStart + 1;
    if (!reader.LocateAttribute(u"content"))
        return {};
    return CharsetOfContent(reader);
}

} // namespace

std::u16string SniffEncodingDeclaration(const std::u16string& text) {
    XmlTokenReader reader(text.c_str(), 0, ModeIgnoreCase);
    XmlNodeInfo node;
    bool inHtml = false;
    for (;;) {
        const int32_t kind = reader.ReadNode(node);
        const int32_t next = reader.pos;
        switch (kind) {
        case NodeProcessingInstruction:
            if (node.start == 0) {
                reader.pos = node.start + 2;
                if (reader.NextName() && reader.NameEquals(u"xml")) {
                    if (!reader.LocateAttribute(u"encoding"))
                        return {};
                    return std::u16string(reader.Token());
                }
            }
            break;
        case NodeEndTag:
            reader.pos = node.start + 2;
            if (reader.NextName() && reader.NameEquals(u"head"))
                return {};
            break;
        case NodeElement:
            reader.pos = node.start + 1;
            if (!reader.NextName())
                return {};
            if (!inHtml) {
                if (!reader.NameEquals(u"html"))
                    return {};
                inHtml = true;
            } else if (reader.NameEquals(u"meta")) {
                bool done = false;
                std::u16string charset = CharsetOfMeta(reader, node.start, done);
                if (done)
                    return charset;
            }
            break;
        case NodeError:
        case NodeEndOfText:
            return {};
        default:
            break;
        }
        reader.pos = next;
        node.report.clear();
    }
}
