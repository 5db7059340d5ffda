#include "markup/xml_doc.h"

#include "markup/char_scan.h"

CXmlDoc::CXmlDoc() {
    SetText(std::nullopt);
}

CXmlDoc::CXmlDoc(std::optional<std::u16string> initialText) {
    SetText(std::move(initialText));
}

bool CXmlDoc::SetText(std::optional<std::u16string> newText) {
    if (modeFlags & (ModeReadFile | ModeWriteFile))
        return false;
    if (newText) {
        text = std::move(*newText);
        text.resize(FindZero(text.data(), text.size()));
    } else {
        text.clear();
        elements.Release();
    }
    report.clear();
    return Parse();
}

void CXmlDoc::ClearPositions() {
    parentPos = 0;
    currentPos = 0;
    childPos = 0;
    nodeOffset = 0;
    nodeLength = 0;
    nodeKind = 0;
}
