#include "markup/escape.h"
#include "markup/xml_doc.h"

namespace {

constexpr uint32_t kReplaceContent = INS_REPLACE_CONTENT | INS_NO_LINE_ENDS;

} // namespace

bool CXmlDoc::ReplaceElementData(int32_t element, std::u16string_view data) {
    if (modeFlags & ModeReadFile)
        return false;
    if (element == 0 || !IsLiveElement(element))
        return false;
    XmlElementRec& x = elements[element];
    if (x.firstChild != 0)
        return false;
    const bool oneTag = x.StartTagLength() == x.length;
    if ((modeFlags & ModeWriteFile) && (nodeKind != NodeElement || !oneTag))
        return false;
    // A one-tag element gets an end tag, which must fit its length field.
    if (oneTag && !EndTagFits(element))
        return false;

    MarkupPlacement placement;
    placement.markup = EscapeMarkup(data, 0);
    placement.flags = kReplaceContent;
    int32_t after = 0;
    const int32_t replaced = InsertMarkup(element, after, placement);
    const int32_t shift = static_cast<int32_t>(placement.markup.size()) - replaced;
    ShiftFollowing(element, shift, false);
    x.length += shift;
    x.Clear(ElemHasError);
    return true;
}
