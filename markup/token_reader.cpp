#include "markup/token_reader.h"

#include "markup/mode_flags.h"

#include <cstring>

namespace {

bool IsAttributeNameEnd(char16_t c) {
    return c == u'=' || c == u'>' || c == u'/' || c == u'?' || IsXmlWhiteSpace(c);
}

bool IsValueEnd(char16_t c) {
    return c == u'>' || IsXmlWhiteSpace(c);
}

// The "/" of a "/>" that the node reader takes as closing an empty-element tag.
bool IsEmptyTagSlash(const char16_t* text, int32_t at) {
    return text[at] == u'/' && text[at + 1] == u'>' && IsEmptyTagLead(text[at - 1]);
}

} // namespace

int CompareIgnoreCase(const char16_t* a, const char16_t* b, int32_t count) {
    bool exact = false;
    for (int32_t i = 0; i < count; ++i) {
        if (a[i] == b[i]) {
            exact = exact || a[i] > 0x7F;
            continue;
        }
        if (exact)
            return int(a[i]) - int(b[i]);
        const int folded = int(FoldAscii(a[i])) - int(FoldAscii(b[i]));
        if (folded != 0)
            return folded;
    }
    return 0;
}

bool XmlTokenReader::SkipSpace() {
    while (IsXmlWhiteSpace(text[pos]))
        ++pos;
    tokenStart = pos;
    tokenEnd = pos - 1;
    return text[pos] != 0;
}

bool XmlTokenReader::NextName() {
    if (!SkipSpace())
        return false;
    while (text[pos] != 0 && !IsNameTokenDelimiter(text[pos]))
        ++pos;
    if (pos == tokenStart)
        ++pos;
    tokenEnd = pos - 1;
    return true;
}

bool TokenMatchesName(std::u16string_view token, std::u16string_view name, bool ignoreCase) {
    const size_t n = token.size();
    if (name.size() < n)
        return false;
    const bool equal =
        ignoreCase ? CompareIgnoreCase(token.data(), name.data(), static_cast<int32_t>(n)) == 0
                   : n == 0 || std::memcmp(token.data(), name.data(), n * sizeof(char16_t)) == 0;
    return equal && (name.size() == n || name[n] == 0 || IsPathDelimiter(name[n]));
}

bool XmlTokenReader::NameEquals(std::u16string_view name) const {
    return TokenMatchesName(Token(), name, (flags & ModeIgnoreCase) != 0);
}

bool XmlTokenReader::LocateAttribute(std::optional<std::u16string_view> name) {
    bool tagNameSeen = false;
    bool found = false;
    bool afterEquals = false;
    int32_t foundNameEnd = 0;

    for (;;) {
        const int32_t spaceStart = pos;
        if (!SkipSpace())
            break;
        const char16_t c = text[pos];
        const bool isValue = afterEquals;
        afterEquals = false;

        if (c == u'"' || c == u'\'') {
            flags |= TokenQuoted;
            tokenStart = ++pos;
            while (text[pos] != 0 && text[pos] != c)
                ++pos;
            tokenEnd = pos - 1;
            if (text[pos] == c)
                ++pos;
            if (found)
                return true;
            continue;
        }
        flags &= ~TokenQuoted;

        if (isValue) {
            while (text[pos] != 0 && !IsValueEnd(text[pos]) && !IsEmptyTagSlash(text, pos))
                ++pos;
            // A value never takes the tag's own end: "x=>" and "x= />" have an empty value.
            if (pos == tokenStart) {
                pos = spaceStart;
                afterEquals = true;
                break;
            }
            tokenEnd = pos - 1;
            if (found)
                return true;
            continue;
        }

        while (text[pos] != 0 && !IsAttributeNameEnd(text[pos]))
            ++pos;
        if (pos == tokenStart)
            ++pos;
        tokenEnd = pos - 1;

        if (c == u'=') {
            afterEquals = true;
        } else if (c == u'>' || c == u'/' || c == u'?') {
            pos = spaceStart;
            break;
        } else if (found) {
            break; // the found attribute has no value
        } else if (!tagNameSeen) {
            tagNameSeen = true;
        } else if (!name || NameEquals(*name)) {
            if (!name)
                return true;
            found = true;
            foundNameEnd = tokenEnd;
            attrStart = spaceStart;
            attrSpace = tokenStart - spaceStart;
        }
    }

    if (!found)
        return false;
    if (afterEquals) {
        tokenStart = pos;
        tokenEnd = pos - 1;
        return true;
    }
    tokenStart = attrStart + attrSpace;
    tokenEnd = foundNameEnd;
    pos = foundNameEnd + 1;
    return true;
}
