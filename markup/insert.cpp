#include "markup/insert.h"

#include "markup/escape.h"
#include "markup/text_range.h"
#include "markup/xml_doc.h"

#include <algorithm>

namespace {

constexpr std::u16string_view kLineEnd = u"\r\n";

// An element is one-tag when its start tag is all of it (<a/>, or an unended <a>).
// The document record never is.
bool IsOneTag(const XmlElementRec& rec, int32_t pos) {
    return pos != 0 && rec.StartTagLength() == rec.length;
}

int32_t ContentLength(const XmlElementRec& rec) {
    return rec.length - rec.StartTagLength() - rec.EndTagLength();
}

// A character that the readers would end a name at, or that is not markup in a name.
bool BreaksName(char16_t c) {
    return c == 0 || c == u'&' || IsNameTokenDelimiter(c);
}

// The markup of a new element and the tag lengths of its record.
struct NewElement {
    std::u16string markup;
    int32_t startTagLength = 0;
    int32_t endTagLength = 0;
};

NewElement BuildElement(std::u16string_view name, std::u16string_view data, uint32_t flags) {
    NewElement e;
    const auto n = static_cast<int32_t>(name.size());
    if (!data.empty()) {
        const std::u16string content =
            (flags & INS_CDATA) ? MakeCDataSection(data) : EscapeMarkup(data, flags);
        e.markup.append(u"<").append(name).append(u">").append(content);
        e.markup.append(u"</").append(name).append(u">");
        e.startTagLength = n + 2;
        e.endTagLength = n + 3;
    } else {
        e.markup.append(u"<").append(name);
        e.markup.append((flags & INS_UNENDED) ? u">" : (flags & INS_SPACE_SLASH) ? u" />" : u"/>");
        e.startTagLength = static_cast<int32_t>(e.markup.size());
    }
    return e;
}

} // namespace

bool IsInsertableAttributeName(std::u16string_view name) {
    return !name.empty() && std::ranges::none_of(name, BreaksName);
}

bool IsInsertableElementName(std::u16string_view name) {
    return IsInsertableAttributeName(name) && IsNameStart(name[0]);
}

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
    const auto nameLength = static_cast<int32_t>(ReadTagName(element).size());
    return nameLength + 3 <= kMaxEndTagLength;
}

// A lone start tag under a parent of the same name would take the parent's end tag.
bool CXmlDoc::EndTagWouldClose(int32_t element, std::u16string_view name) const {
    XmlTokenReader reader(text.c_str(), elements[element].start + 1, modeFlags);
    return reader.NextName() && reader.NameEquals(name);
}

bool CXmlDoc::InsertElement(std::u16string_view name, std::u16string_view data, uint32_t flags) {
    data = data.substr(0, data.find(u'\0')); // the text ends at its first zero unit
    if (modeFlags & ModeReadFile)
        return false;
    const bool asChild = (flags & INS_AS_CHILD) != 0;
    if (asChild && (currentPos == 0 || (modeFlags & ModeWriteFile)))
        return false;
    if ((flags & INS_UNENDED) && !data.empty())
        return false;
    // Replacing the parent's content would drop the records of what it holds.
    if (flags & INS_REPLACE_CONTENT)
        return false;
    if (!IsInsertableElementName(name))
        return false;

    const int32_t parent = asChild ? currentPos : parentPos;
    int32_t after = asChild ? childPos : currentPos;
    if (!IsLiveElement(parent) || !IsLiveElement(after) ||
        (after != 0 && elements[after].parent != parent))
        return false;
    if (after == 0 && IsOneTag(elements[parent], parent) && !EndTagFits(parent))
        return false;
    if ((flags & INS_UNENDED) && parent != 0 && EndTagWouldClose(parent, name))
        return false;

    MarkupPlacement placement;
    placement.flags = flags;
    NewElement e = BuildElement(name, data, flags);
    if (e.startTagLength > kMaxStartTagLength || e.endTagLength > kMaxEndTagLength)
        return false;

    if (usedCount == elements.capacity && usedCount + usedCount / 2 > elements.capacity)
        elements.Reserve(usedCount + usedCount / 2);
    if (usedCount >= elements.capacity)
        return false;
    const int32_t element = usedCount++;

    const auto length = static_cast<int32_t>(e.markup.size());
    placement.markup = std::move(e.markup);
    const int32_t replaced = InsertMarkup(parent, after, placement);
    XmlElementRec& rec = elements[element];
    rec.start = placement.start;
    rec.length = length;
    rec.tagLengths = 0;
    rec.SetStartTagLength(e.startTagLength);
    rec.SetEndTagLength(e.endTagLength);
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
        const std::u16string name = ReadTagName(parent);
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
