#include "markup/escape.h"

#include <array>

namespace {

struct Replacement {
    char16_t character;
    std::u16string_view reference;
};

// Element data escapes the first three, attribute values all five.
constexpr std::array<Replacement, 5> kReplacements{{
    {u'<', u"&lt;"},
    {u'&', u"&amp;"},
    {u'>', u"&gt;"},
    {u'\'', u"&apos;"},
    {u'"', u"&quot;"},
}};

bool IsAsciiLetter(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}
bool IsAsciiDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

bool StartsKeptReference(char16_t c) {
    return IsAsciiLetter(c) || c == u'#' || c == u'_' || c == u':' || c >= 0x80;
}

bool ContinuesKeptReference(char16_t c) {
    return IsAsciiLetter(c) || IsAsciiDigit(c) || c == u'_' || c == u':' || c == u'-' ||
           c == u'.' || c >= 0x80;
}

// Length of the reference starting at text[at] ("&" through ";"), or 0 when there is none.
size_t KeptReferenceLength(std::u16string_view text, size_t at) {
    size_t i = at + 1;
    if (i >= text.size() || !StartsKeptReference(text[i]))
        return 0;
    for (++i; i < text.size(); ++i) {
        if (text[i] == u';')
            return i - at + 1;
        if (!ContinuesKeptReference(text[i]))
            return 0;
    }
    return 0;
}

const Replacement* FindReplacement(char16_t c, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        if (kReplacements[i].character == c)
            return &kReplacements[i];
    }
    return nullptr;
}

} // namespace

std::u16string EscapeMarkup(std::u16string_view text, unsigned flags) {
    text = text.substr(0, text.find(u'\0'));
    const size_t setSize = (flags & ESCF_QUOTES) ? 5 : 3;
    const bool keepRefs = (flags & ESCF_KEEPREFS) != 0;

    std::u16string result;
    size_t reserved = text.size() + text.size() / 10 + 7;
    result.reserve(reserved);

    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        const size_t kept = (keepRefs && c == u'&') ? KeptReferenceLength(text, i) : 0;
        const size_t needed = result.size() + (kept > 6 ? kept : 6);
        if (needed > reserved) {
            reserved = needed > reserved * 4 ? needed : reserved * 4;
            result.reserve(reserved);
        }
        if (kept != 0) {
            result.append(text.substr(i, kept));
            i += kept - 1;
        } else if (const Replacement* r = FindReplacement(c, setSize)) {
            result.append(r->reference);
        } else {
            result.push_back(c);
        }
    }
    return result;
}
