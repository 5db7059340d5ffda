#include "invariants.h"

#include <vector>

#include "markup/xml_doc.h"

namespace {

constexpr uint32_t kFlagsKnown = ElemFirstChild | ElemUnended | ElemHasError;

std::string At(int32_t pos, const std::string& what) {
    return "record " + std::to_string(pos) + ": " + what;
}

// Checks one record against the content range of its parent and the end of the sibling
// before it.
std::string CheckRecord(const CXmlDoc& doc, int32_t pos, int32_t contentStart, int32_t contentEnd,
                        int32_t previousEnd) {
    const XmlElementRec& r = doc.elements[pos];
    const auto textLength = static_cast<int32_t>(doc.text.size());
    if (r.start < 0 || r.length <= 0 || r.start > textLength - r.length)
        return At(pos, "lies outside the text");
    if (doc.text[static_cast<size_t>(r.start)] != u'<')
        return At(pos, "does not start at '<'");
    if (r.start < contentStart || r.start + r.length > contentEnd)
        return At(pos, "lies outside its parent's content");
    if (r.start < previousEnd)
        return At(pos, "overlaps its previous sibling");
    if (r.StartTagLength() < 2 || r.StartTagLength() + r.EndTagLength() > r.length)
        return At(pos, "tag lengths do not fit its length");
    if ((r.flagsLevel & 0xFFFF0000u) & ~kFlagsKnown)
        return At(pos, "carries a flag no element may carry");
    if (r.Has(ElemUnended) &&
        (r.EndTagLength() != 0 || r.length != r.StartTagLength() || r.firstChild != 0))
        return At(pos, "is unended but has an end tag, content or children");
    return {};
}

} // namespace

std::string CheckIndexInvariants(const CXmlDoc& doc) {
    const XmlElementTable& t = doc.elements;
    if (!t.HasStorage())
        return "the table has no storage";
    if (doc.usedCount < 1 || doc.usedCount > t.capacity)
        return "usedCount outside the table";
    const XmlElementRec& root = t[0];
    if (root.start != 0 || root.length != static_cast<int32_t>(doc.text.size()))
        return "document record does not span the text";
    if (root.tagLengths != 0 || root.parent != 0 || root.nextSibling != 0 || root.Level() != 0)
        return "document record has tags, a parent, a sibling or a level";
    if ((root.flagsLevel & 0xFFFF0000u) & ~(DocIllFormed | ElemHasError))
        return "document record carries an element-only flag";

    std::vector<char> seen(static_cast<size_t>(doc.usedCount), 0);
    std::vector<int32_t> pending{0};
    while (!pending.empty()) {
        const int32_t p = pending.back();
        pending.pop_back();
        const XmlElementRec& up = t[p];
        const int32_t first = up.firstChild;
        if (first == 0)
            continue;
        const int32_t contentStart = p == 0 ? 0 : up.start + up.StartTagLength();
        const int32_t contentEnd = p == 0 ? up.length : up.start + up.length - up.EndTagLength();
        int32_t previous = 0;
        int32_t previousEnd = contentStart;
        for (int32_t c = first; c != 0; c = t[c].nextSibling) {
            if (c < 1 || c >= doc.usedCount)
                return At(p, "links to a position never handed out");
            if (seen[static_cast<size_t>(c)])
                return At(c, "is linked twice");
            seen[static_cast<size_t>(c)] = 1;
            const XmlElementRec& r = t[c];
            if (r.parent != p)
                return At(c, "has the wrong parent");
            if (r.Has(ElemFirstChild) != (c == first))
                return At(c, "ElemFirstChild does not match its place");
            if (c != first && r.prevSibling != previous)
                return At(c, "prevSibling is not the sibling before it");
            if (p != 0 && r.Level() <= up.Level() && up.Level() != kMaxLevel)
                return At(c, "level is not deeper than its parent's");
            if (std::string fault = CheckRecord(doc, c, contentStart, contentEnd, previousEnd);
                !fault.empty())
                return fault;
            previousEnd = r.start + r.length;
            previous = c;
            pending.push_back(c);
        }
        if (t[first].prevSibling != previous)
            return At(first, "prevSibling of the first child is not the last child");
    }
    for (int32_t pos = 1; pos < doc.usedCount; ++pos) {
        if (!seen[static_cast<size_t>(pos)])
            return At(pos, "is not linked into the tree");
    }
    return {};
}
