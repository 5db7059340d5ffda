#include "markup/xml_doc.h"
#include "textfile/text_file.h"

bool CXmlDoc::LoadFile(std::u16string path) {
    if (modeFlags & (ModeReadFile | ModeWriteFile))
        return false;
    if (!ReadWholeFile(std::move(path), text, &report, &modeFlags)) {
        // The text was emptied; the index must not keep pointing into the old one.
        Parse();
        return false;
    }
    return Parse();
}

bool CXmlDoc::SaveFile(std::u16string path) {
    if (modeFlags & (ModeReadFile | ModeWriteFile))
        return false;
    return WriteWholeFile(std::move(path), text, &report, &modeFlags);
}
