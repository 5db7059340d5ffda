#include "markup/decimal_text.h"
#include "markup/escape.h"
#include "markup/text_range.h"
#include "markup/xml_doc.h"

bool CXmlDoc::PutAttribute(int32_t element, std::u16string_view name, std::u16string_view value) {
    if ((modeFlags & ModeReadFile) || element == 0 || nodeKind != NodeElement)
        return false;
    if (!IsLiveElement(element) || !IsInsertableAttributeName(name))
        return false;
    const std::u16string escaped = EscapeMarkup(value, ESCF_QUOTES);
    XmlElementRec& x = elements[element];
    XmlTokenReader reader(text.c_str(), x.start + 1, modeFlags);

    std::u16string piece;
    int32_t at = 0;
    int32_t replaced = 0;
    if (reader.LocateAttribute(name)) {
        const bool quoted = (reader.flags & TokenQuoted) != 0;
        if (!quoted && reader.tokenStart == reader.attrStart + reader.attrSpace) {
            // An attribute without a value: the token is its name; give it one.
            piece.append(u"=\"").append(escaped).append(u"\"");
            at = reader.tokenEnd + 1;
        } else {
            piece.append(u"\"").append(escaped).append(u"\"");
            at = quoted ? reader.tokenStart - 1 : reader.tokenStart;
            replaced = reader.TokenLength() + (quoted ? 2 : 0);
        }
    } else {
        piece.append(u" ").append(name).append(u"=\"").append(escaped).append(u"\"");
        at = reader.pos;
    }

    // Stray quotes can make the attribute scan run past the start tag; never edit there.
    const int32_t shift = static_cast<int32_t>(piece.size()) - replaced;
    if (at + replaced > x.start + x.StartTagLength() - 1 ||
        x.StartTagLength() + shift > kMaxStartTagLength)
        return false;

    ReplaceTextRange(text, at, replaced, piece);
    x.SetStartTagLength(x.StartTagLength() + shift);
    x.length += shift;
    ShiftFollowing(element, shift, false);
    return true;
}

bool CXmlDoc::PutAttribute(std::u16string_view name, int32_t value) {
    return PutAttribute(currentPos, name, DecimalText(value));
}
