#include "markup/xml_doc.h"

namespace {

// The tag name after a start tag's "<", p, as NextName reads it, equals name as NameEquals
// compares them; the first character is compared before the name is scanned.
bool TagNameMatches(const char16_t* p, std::u16string_view name, bool ignoreCase) {
    while (IsXmlWhiteSpace(*p))
        ++p;
    if (*p == 0 || name.empty())
        return false;
    if (ignoreCase ? FoldAscii(*p) != FoldAscii(name[0]) : *p != name[0])
        return false;
    size_t n = 0;
    while (n <= name.size() && p[n] != 0 && !IsNameTokenDelimiter(p[n]))
        ++n;
    return TokenMatchesName({p, n == 0 ? 1 : n}, name, ignoreCase);
}

} // namespace

int32_t CXmlDoc::FindNext(int32_t parent, int32_t after, const XmlNamePath& path) const {
    if (path.pathKind != PathAnyElement && path.pathKind != PathRelative)
        return 0;
    if (!elements.HasStorage())
        return 0;
    int32_t candidate = after != 0 ? elements[after].nextSibling : elements[parent].firstChild;
    if (path.pathKind == PathAnyElement)
        return candidate;
    const std::u16string_view name = path.FirstStep();
    const bool ignoreCase = (modeFlags & ModeIgnoreCase) != 0;
    for (; candidate != 0; candidate = elements[candidate].nextSibling) {
        if (TagNameMatches(text.c_str() + elements[candidate].start + 1, name, ignoreCase))
            return candidate;
    }
    return 0;
}

bool CXmlDoc::LocateElement(std::u16string_view name) {
    if ((modeFlags & ModeWriteFile) || !elements.HasStorage())
        return false;
    XmlNamePath path(name);
    path.CheckSyntax();
    const int32_t found = FindNext(parentPos, currentPos, path);
    if (found == 0)
        return false;
    currentPos = found;
    parentPos = elements[found].parent;
    childPos = 0;
    nodeOffset = 0;
    nodeLength = 0;
    nodeKind = NodeElement;
    return true;
}

bool CXmlDoc::LocateChild(std::u16string_view name) {
    if (modeFlags & (ModeReadFile | ModeWriteFile))
        return false;
    if (currentPos == 0)
        LocateElement({});
    XmlNamePath path(name);
    path.CheckSyntax();
    const int32_t found = FindNext(currentPos, childPos, path);
    if (found == 0)
        return false;
    childPos = found;
    currentPos = elements[found].parent;
    parentPos = elements[currentPos].parent;
    nodeOffset = 0;
    nodeLength = 0;
    nodeKind = currentPos != 0 ? NodeElement : 0;
    return true;
}

void CXmlDoc::RewindChildren() {
    childPos = 0;
    nodeOffset = 0;
    nodeLength = 0;
    nodeKind = currentPos != 0 ? NodeElement : 0;
}
