#include "markup/xml_doc.h"

int32_t CXmlDoc::FindNext(int32_t parent, int32_t after, const XmlNamePath& path) const {
    if (path.pathKind != PathAnyElement && path.pathKind != PathRelative)
        return 0;
    if (!elements.HasStorage())
        return 0;
    int32_t candidate = after != 0 ? elements[after].nextSibling : elements[parent].firstChild;
    if (path.pathKind == PathAnyElement)
        return candidate;
    const std::u16string_view name = path.FirstStep();
    for (; candidate != 0; candidate = elements[candidate].nextSibling) {
        XmlTokenReader reader(text.c_str(), elements[candidate].start + 1, modeFlags);
        if (reader.NextName() && reader.NameEquals(name))
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
