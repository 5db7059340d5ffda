#include "markup/char_scan.h"
#include "markup/xml_doc.h"

namespace {

// The tag name after a start tag's "<", p, as NextName reads it, equals name as NameEquals
// compares them; the first character is compared before the name is scanned.
bool TagNameMatches(const char16_t* p, std::u16string_view name, bool ignoreCase) {
    if (*p == 0 || name.empty())
        return false;
    if (ignoreCase ? FoldAscii(*p) != FoldAscii(name[0]) : *p != name[0])
        return false;
    size_t n = 0;
    while (n <= name.size() && p[n] != 0 && !IsNameTokenDelimiter(p[n]))
        ++n;
    return TokenMatchesName({p, n == 0 ? 1 : n}, name, ignoreCase);
}

// The name-token delimiters and the zero, all below U+0040 but the backslash: after a tag name
// spelled like a plain name, the token has ended.
constexpr uint64_t kTokenEndLow =
    CharSet({0, u' ', u'\t', u'\n', u'\r', u'<', u'>', u'=', u'/', u'?', u'!', u'"', u'\'', u';'});
// With them, the characters from U+0040 to U+007F that end a path step or a name token.
constexpr uint64_t kStepOrTokenEndHigh = (uint64_t{1} << (u'[' - 64)) |
                                         (uint64_t{1} << (u'\\' - 64)) |
                                         (uint64_t{1} << (u']' - 64));

bool EndsToken(char16_t c) {
    return c < 64 ? ((kTokenEndLow >> c) & 1) != 0 : c == u'\\';
}

bool EndsStepOrToken(char16_t c) {
    const uint64_t set = c < 64 ? kTokenEndLow : kStepOrTokenEndHigh;
    return c < 128 && ((set >> (c & 63)) & 1) != 0;
}

// Compares the tag names of a walk's elements with the first step of a name argument, as
// NextName and NameEquals do, with what depends on the name alone settled once for the walk.
class TagNameMatcher {
  public:
    // plain: the name has no character that ends a path step or a name token, so it equals
    // just the tokens spelled like it, which are compared in place.
    TagNameMatcher(std::u16string_view name, bool ignoreCase, bool plain)
        : m_name(name), m_ignoreCase(ignoreCase), m_plain(plain && !ignoreCase) {}

    // p is just after the "<" of a start tag.
    bool Matches(const char16_t* p) const {
        while (IsXmlWhiteSpace(*p))
            ++p;
        if (!m_plain)
            return TagNameMatches(p, m_name, m_ignoreCase);
        for (size_t i = 0; i < m_name.size(); ++i) {
            if (p[i] != m_name[i]) // the zero that ends the text differs from every unit
                return false;
        }
        return EndsToken(p[m_name.size()]);
    }

  private:
    std::u16string_view m_name;
    bool m_ignoreCase;
    bool m_plain;
};

// What a name argument is: a relative name whose only step is the whole name (which needs no
// syntax check), and whether that step is plain; otherwise a path to check.
struct NameShape {
    bool singleStep = false;
    bool plain = false;
};

[[gnu::always_inline]] inline NameShape ShapeOf(std::u16string_view name) {
    bool ends = false;
    for (const char16_t c : name)
        ends |= EndsStepOrToken(c);
    NameShape shape{!name.empty(), !name.empty()};
    if (!ends)
        return shape;
    shape.plain = false;
    for (const char16_t c : name) {
        if (c == 0 || IsPathDelimiter(c)) {
            shape.singleStep = false;
            break;
        }
    }
    return shape;
}

// The first sibling from candidate on whose tag name matches.
[[gnu::always_inline]] inline int32_t FirstMatch(XmlRecordCursor& cursor, const char16_t* text,
                                                 int32_t parent, int32_t after,
                                                 const TagNameMatcher& matcher) {
    int32_t candidate = after != 0 ? cursor.At(after).nextSibling : cursor.At(parent).firstChild;
    while (candidate != 0) {
        const XmlElementRec& rec = cursor.At(candidate);
        if (matcher.Matches(text + rec.start + 1))
            return candidate;
        candidate = rec.nextSibling;
    }
    return 0;
}

// FindNext for a name argument that needs the syntax check; kept out of line, so that the
// walks by a plain name do not set up its state.
[[gnu::noinline]] int32_t FindByPath(const CXmlDoc& doc, int32_t parent, int32_t after,
                                     std::u16string_view name) {
    XmlNamePath path(name);
    path.CheckSyntax();
    return doc.FindNext(parent, after, path);
}

// FindNext for a name argument, which is checked only when it is more than one step; cursor
// serves the walk and its caller.
[[gnu::always_inline]] inline int32_t FindByName(const CXmlDoc& doc, XmlRecordCursor& cursor,
                                                 int32_t parent, int32_t after,
                                                 std::u16string_view name) {
    if (name.empty()) { // any element: the next sibling
        if (!doc.elements.HasStorage())
            return 0;
        return after != 0 ? cursor.At(after).nextSibling : cursor.At(parent).firstChild;
    }
    const NameShape shape = ShapeOf(name);
    if (!shape.singleStep)
        return FindByPath(doc, parent, after, name);
    if (!doc.elements.HasStorage())
        return 0;
    const TagNameMatcher matcher(name, (doc.modeFlags & ModeIgnoreCase) != 0, shape.plain);
    return FirstMatch(cursor, doc.text.c_str(), parent, after, matcher);
}

} // namespace

int32_t CXmlDoc::FindNext(int32_t parent, int32_t after, const XmlNamePath& path) const {
    if (path.pathKind != PathAnyElement && path.pathKind != PathRelative)
        return 0;
    if (!elements.HasStorage())
        return 0;
    if (path.pathKind == PathAnyElement)
        return after != 0 ? elements[after].nextSibling : elements[parent].firstChild;
    const std::u16string_view step = path.FirstStep();
    const TagNameMatcher matcher(step, (modeFlags & ModeIgnoreCase) != 0, ShapeOf(step).plain);
    XmlRecordCursor cursor(elements);
    return FirstMatch(cursor, text.c_str(), parent, after, matcher);
}

bool CXmlDoc::LocateElement(std::u16string_view name) {
    if ((modeFlags & ModeWriteFile) || !elements.HasStorage())
        return false;
    XmlRecordCursor cursor(elements);
    const int32_t found = FindByName(*this, cursor, parentPos, currentPos, name);
    if (found == 0)
        return false;
    currentPos = found;
    parentPos = cursor.At(found).parent;
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
    XmlRecordCursor cursor(elements);
    const int32_t found = FindByName(*this, cursor, currentPos, childPos, name);
    if (found == 0)
        return false;
    childPos = found;
    currentPos = cursor.At(found).parent;
    parentPos = cursor.At(currentPos).parent;
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
