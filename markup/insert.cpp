#include "markup/insert.h"

#include "markup/decimal_text.h"
#include "markup/escape.h"
#include "markup/text_range.h"
#include "markup/xml_doc.h"

namespace {

constexpr std::u16string_view kLineEnd = u"\r\n";

std::u16string TagNameAt(const std::u16string& text, int32_t start) {
    XmlTokenReader reader(text.c_str(), start + 1, 0);
    return reader.NextName() ? std::u16string(reader.Token()) : std::u16string();
}

// An element is one-tag when its start tag is all of it (<a/>, or an unended <a>).
// The document record never is.
bool IsOneTag(const XmlElementRec& rec, int32_t pos) {
    return pos != 0 && rec.StartTagLength() == rec.length;
}

int32_t ContentLength(const XmlElementRec& rec) {
    return rec.length - rec.StartTagLength() - rec.EndTagLength();
}

} // namespace

std::u16string MakeCDataSection(std::u16string_view data) {
    std::u16string section = u"<![CDATA[";
    size_t from = 0;
    for (size_t at = data.find(u"]]>"); at != std::u16string_view::npos;
         at = data.find(u"]]>", from)) {
        section.append(data.substr(from, at - from));
        section.append(u"]]]]><![CDATA[>");
        from = at + 3;
    }
    section.append(data.substr(from));
    section.append(u"]]>");
    return section;
}

bool CXmlDoc::EndTagFits(int32_t element) const {
    const auto nameLength = static_cast<int32_t>(TagNameAt(text, elements[element].start).size());
    return nameLength + 3 <= kMaxEndTagLength;
}

bool CXmlDoc::InsertElement(std::u16string_view name, std::u16string_view data, uint32_t flags) {
    if (modeFlags & ModeReadFile)
        return false;
    if ((flags & INS_AS_CHILD) && (currentPos == 0 || (modeFlags & ModeWriteFile)))
        return false;
    if ((flags & INS_UNENDED) && !data.empty())
        return false;

    if (usedCount == elements.capacity && usedCount + usedCount / 2 > elements.capacity)
        elements.Reserve(usedCount + usedCount / 2);
    const int32_t element = usedCount++;

    const bool asChild = (flags & INS_AS_CHILD) != 0;
    const int32_t parent = asChild ? currentPos : parentPos;
    int32_t after = asChild ? childPos : currentPos;

    MarkupPlacement placement;
    placement.flags = flags;
    const auto n = static_cast<int32_t>(name.size());
    int32_t length = 0;
    int32_t startTagLength = 0;
    int32_t endTagLength = 0;
    if (!data.empty()) {
        const std::u16string content =
            (flags & INS_CDATA) ? MakeCDataSection(data) : EscapeMarkup(data, flags);
        placement.markup.append(u"<").append(name).append(u">").append(content);
        placement.markup.append(u"</").append(name).append(u">");
        length = 2 * n + static_cast<int32_t>(content.size()) + 5;
        startTagLength = n + 2;
        endTagLength = n + 3;
    } else {
        placement.markup.append(u"<").append(name);
        placement.markup.append((flags & INS_UNENDED)       ? u">"
                                : (flags & INS_SPACE_SLASH) ? u" />"
                                                            : u"/>");
        length = startTagLength = static_cast<int32_t>(placement.markup.size());
    }

    const int32_t replaced = InsertMarkup(parent, after, placement);
    XmlElementRec& rec = elements[element];
    rec.start = placement.start;
    rec.length = length;
    rec.tagLengths = 0;
    rec.SetStartTagLength(startTagLength);
    rec.SetEndTagLength(endTagLength);
    rec.firstChild = 0;
    rec.flagsLevel = (flags & INS_UNENDED) ? ElemUnended : 0;
    LinkElement(parent, after, element);
    ShiftFollowing(element, static_cast<int32_t>(placement.markup.size()) - replaced, false);

    nodeOffset = 0;
    nodeLength = 0;
    nodeKind = NodeElement;
    if (asChild) {
        childPos = element;
    } else {
        currentPos = element;
        childPos = 0;
    }
    return true;
}

int32_t CXmlDoc::InsertMarkup(int32_t parent, int32_t& after, MarkupPlacement& placement) {
    XmlElementRec& p = elements[parent];
    const uint32_t flags = placement.flags;
    const bool oneTag = IsOneTag(p, parent);
    const bool empty = ContentLength(p) == 0;
    const bool lineEnds = !(flags & INS_NO_LINE_ENDS);

    int32_t s = 0;
    if (after != 0) {
        const XmlElementRec& a = elements[after];
        s = (flags & INS_BEFORE) ? a.start : a.start + a.length;
    } else if (oneTag) {
        s = p.start + p.StartTagLength() - (p.Has(ElemUnended) ? 0 : 1);
    } else if (flags & (INS_BEFORE | INS_REPLACE_CONTENT)) {
        s = p.start + p.StartTagLength();
    } else {
        s = p.start + p.length - p.EndTagLength();
    }

    // New markup lands directly before the next tag, behind the line break before it.
    if (!(flags & (INS_NO_LINE_ENDS | INS_REPLACE_CONTENT)) && !oneTag) {
        const char16_t* t = text.c_str();
        int32_t stop = s;
        while (IsXmlWhiteSpace(t[stop]))
            ++stop;
        if (t[stop] == u'<' || t[stop] == 0)
            s = stop;
    }

    if (after != 0 && (flags & INS_BEFORE)) {
        const XmlElementRec& a = elements[after];
        after = a.Has(ElemFirstChild) ? 0 : a.prevSibling;
    } else if (after == 0 && !(flags & INS_BEFORE) && p.firstChild != 0) {
        after = elements[p.firstChild].prevSibling;
    }

    std::u16string& markup = placement.markup;
    if (lineEnds) {
        if (empty)
            s += 2;
        markup.append(kLineEnd);
    }

    int32_t at = s;
    int32_t replaced = 0;
    if (oneTag) {
        const std::u16string name = TagNameAt(text, p.start);
        std::u16string wrapped = lineEnds ? u">\r\n" : u">";
        wrapped.append(markup).append(u"</").append(name);
        markup = std::move(wrapped);
        p.SetEndTagLength(static_cast<int32_t>(name.size()) + 3);
        if (p.Has(ElemUnended)) {
            at = p.start + p.length - 1;
            p.Clear(ElemUnended);
        } else {
            at = p.start + p.length - 2;
            replaced = 1;
            p.SetStartTagLength(p.StartTagLength() - 1);
        }
    } else if (flags & INS_REPLACE_CONTENT) {
        at = p.start + p.StartTagLength();
        replaced = ContentLength(p);
    } else if (empty) {
        if (lineEnds)
            markup.insert(0, kLineEnd);
        at = p.start + p.StartTagLength();
    }

    ReplaceTextRange(text, at, replaced, markup);
    placement.start = s;
    return replaced;
}

void CXmlDoc::LinkElement(int32_t parent, int32_t after, int32_t element) {
    XmlElementRec& n = elements[element];
    XmlElementRec& p = elements[parent];
    n.parent = parent;
    if (after != 0) {
        XmlElementRec& a = elements[after];
        n.Clear(ElemFirstChild);
        n.nextSibling = a.nextSibling;
        if (n.nextSibling != 0)
            elements[n.nextSibling].prevSibling = element;
        else
            elements[p.firstChild].prevSibling = element;
        a.nextSibling = element;
        n.prevSibling = after;
    } else {
        n.Set(ElemFirstChild);
        if (p.firstChild != 0) {
            XmlElementRec& s = elements[p.firstChild];
            n.nextSibling = p.firstChild;
            n.prevSibling = s.prevSibling;
            s.prevSibling = element;
            s.Clear(ElemFirstChild);
        } else {
            n.nextSibling = 0;
            n.prevSibling = element;
        }
        p.firstChild = element;
    }
    if (parent != 0)
        n.SetLevel(p.Level() + 1);
}

void CXmlDoc::ShiftFollowing(int32_t element, int32_t shift, bool skipChildren) {
    if (elements[element].StartTagLength() == 0)
        return;
    // The next record in document order after c, or g when the walk climbs up to it.
    auto nextAfter = [this](int32_t c, int32_t g) {
        if (elements[c].nextSibling != 0)
            return elements[c].nextSibling;
        for (int32_t up = elements[c].parent;; up = elements[up].parent) {
            if (up == g)
                return g;
            if (elements[up].nextSibling != 0)
                return elements[up].nextSibling;
        }
    };

    int32_t grow = elements[element].parent; // next enclosing element still to grow
    int32_t cur = element;
    bool descend = !skipChildren;
    for (;;) {
        int32_t q = 0;
        if (cur == grow) {
            grow = elements[cur].parent;
            q = nextAfter(cur, grow);
        } else if (descend && elements[cur].firstChild != 0) {
            q = elements[cur].firstChild;
        } else {
            q = nextAfter(cur, grow);
        }
        if (q == grow)
            elements[q].length += shift;
        else
            elements[q].start += shift;
        descend = true;
        if (elements[q].StartTagLength() == 0)
            return;
        cur = q;
    }
}

bool CXmlDoc::PutAttribute(int32_t element, std::u16string_view name, std::u16string_view value) {
    if ((modeFlags & ModeReadFile) || element == 0 || nodeKind != NodeElement)
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
