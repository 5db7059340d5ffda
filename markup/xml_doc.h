#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "markup/element_table.h"
#include "markup/insert.h"
#include "markup/mode_flags.h"
#include "markup/name_path.h"
#include "markup/token_reader.h"

class CTextFile;

// One markup document: its text, its result report and the index of its elements.
// The index holds only offsets, lengths, flags and links; everything else is read from
// the text.
class CXmlDoc {
  public:
    std::u16string text;
    std::u16string report;
    int32_t parentPos = 0;  // parent of the current element
    int32_t currentPos = 0; // current element, 0 = none
    int32_t childPos = 0;   // current child of the current element, 0 = none
    int32_t usedCount = 0;  // records handed out, the document record included
    int32_t freeListHead = 0;
    int32_t nodeKind = 0; // NodeElement while currentPos is an element, 0 without one
    int32_t nodeOffset = 0;
    int32_t nodeLength = 0;
    uint32_t modeFlags = 0;
    CTextFile* attachedFile = nullptr; // file-attached modes only; never set
    XmlElementTable elements;

    CXmlDoc();
    explicit CXmlDoc(std::optional<std::u16string> initialText);
    CXmlDoc(const CXmlDoc&) = delete;
    CXmlDoc& operator=(const CXmlDoc&) = delete;

    // Replaces the text (up to its first zero unit) and rebuilds the index; an absent
    // text also releases the index storage. Refused in the file-attached modes.
    bool SetText(std::optional<std::u16string> newText);

    // Parsing: rebuilds the index from text; true when the document has one root element
    // and is well formed.
    bool Parse();
    int32_t ParseElements(XmlTokenReader& reader);
    bool HasSoundStructure() const;

    // Whole-file load and save; defined by the text-file layer (textfile/).
    bool LoadFile(std::u16string path);
    bool SaveFile(std::u16string path);

    // Editing in place: the text is changed through ReplaceTextRange, then the index is
    // brought back into line.
    bool InsertElement(std::u16string_view name, std::u16string_view data, uint32_t flags);
    bool PutAttribute(int32_t element, std::u16string_view name, std::u16string_view value);
    bool PutAttribute(std::u16string_view name, int32_t value);
    int32_t InsertMarkup(int32_t parent, int32_t& after, MarkupPlacement& placement);
    void LinkElement(int32_t parent, int32_t after, int32_t element);
    void ShiftFollowing(int32_t element, int32_t shift, bool skipChildren);
    // Replaces the whole content of an element without child elements by the escaped
    // text; a one-tag element gets an end tag. Refused for position 0, positions never
    // handed out or freed, and elements with children.
    bool ReplaceElementData(int32_t element, std::u16string_view text);

    // Lookup by name among the children of parentPos (LocateElement) or of currentPos
    // (LocateChild), continuing after the current element or child; an empty name matches
    // any element. Names compare in place in the text.
    bool LocateElement(std::u16string_view name);
    bool LocateChild(std::u16string_view name);
    void RewindChildren();
    // The first child of parent after after (from the first child when after is 0) that
    // matches path; 0 if none.
    int32_t FindNext(int32_t parent, int32_t after, const XmlNamePath& path) const;

    // Text content of an element with references decoded; empty for position 0, for
    // one-tag elements and for elements that contain elements.
    std::u16string ReadText(int32_t element) const;
    std::u16string ReadChildText() const;
    std::u16string ReadTagName(int32_t element) const;

  private:
    void ClearPositions();
    // The end tag that wrapping a one-tag element gives it fits its length field.
    bool EndTagFits(int32_t element) const;
    // The end tag of element, read as the parser reads it, would close a start tag name.
    bool EndTagWouldClose(int32_t element, std::u16string_view name) const;
    // pos was handed out and not freed; 0, the document record, is live.
    bool IsLiveElement(int32_t pos) const;
};
