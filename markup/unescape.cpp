#include "markup/char_scan.h"
#include "markup/entity_table.h"
#include "markup/escape.h"

#include <climits>

namespace {

// A reference name has at most nine characters (the longest entity name has eight).
constexpr size_t kMaxReferenceName = 9;

struct ReferenceName {
    char16_t units[kMaxReferenceName] = {};
    size_t length = 0;
    bool capitalised = false;
    std::u16string_view view() const { return {units, length}; }
};

// Collects the name between the "&" at text[at] and the ";" that must follow within
// kMaxReferenceName characters, folded to lowercase. Returns the index of the ";", or 0 when
// there is no complete reference.
size_t CollectReferenceName(std::u16string_view text, size_t at, ReferenceName& name) {
    for (size_t i = at + 1; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == u';')
            return i;
        if (c >= 0x80 || name.length == kMaxReferenceName)
            return 0;
        const bool capital = c >= u'A' && c <= u'Z';
        name.capitalised = name.capitalised || capital;
        name.units[name.length++] = capital ? static_cast<char16_t>(c - u'A' + u'a') : c;
    }
    return 0;
}

bool IsBlank(char16_t c) {
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

// Value of a folded digit in bases up to 36, or 36 when c is no digit.
unsigned DigitValue(char16_t c) {
    if (c >= u'0' && c <= u'9')
        return static_cast<unsigned>(c - u'0');
    if (c >= u'a' && c <= u'z')
        return static_cast<unsigned>(c - u'a') + 10;
    return 36;
}

// Reads a number as wcstol does: leading blanks, an optional sign, an optional "0x" in base 16,
// then digits up to the first non-digit. No digits give 0; out-of-range values saturate.
long ReadNumber(std::u16string_view text, unsigned base) {
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    const bool negative = i < text.size() && text[i] == u'-';
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
        ++i;
    if (base == 16 && i + 2 < text.size() && text[i] == u'0' && text[i + 1] == u'x' &&
        DigitValue(text[i + 2]) < 16)
        i += 2;
    const unsigned long limit =
        negative ? static_cast<unsigned long>(LONG_MAX) + 1 : static_cast<unsigned long>(LONG_MAX);
    unsigned long magnitude = 0;
    for (; i < text.size(); ++i) {
        const unsigned digit = DigitValue(text[i]);
        if (digit >= base)
            break;
        magnitude = magnitude > (limit - digit) / base ? limit : magnitude * base + digit;
    }
    if (!negative)
        return static_cast<long>(magnitude);
    return magnitude == limit ? LONG_MIN : -static_cast<long>(magnitude);
}

bool IsScalarValue(long value) {
    return value > 0 && value <= 0x10FFFF && (value < 0xD800 || value > 0xDFFF);
}

// Character that the reference at text[at] ("&") stands for, with end set to its ";"; 0 when
// the "&" does not begin a reference.
char32_t ReferenceValue(std::u16string_view text, size_t at, size_t& end) {
    ReferenceName name;
    end = CollectReferenceName(text, at, name);
    if (end == 0)
        return 0;
    const std::u16string_view folded = name.view();
    long value = 0;
    if (folded.starts_with(u"#x"))
        value = ReadNumber(folded.substr(2), 16);
    else if (folded.starts_with(u'#'))
        value = ReadNumber(folded.substr(1), 10);
    else
        value = static_cast<long>(LookupEntity(folded, name.capitalised));
    return IsScalarValue(value) ? static_cast<char32_t>(value) : 0;
}

// The predefined entity written in lowercase at text[at] (the "&"), which decodes as the
// general reading decodes it, with end set to its ";"; 0 for any other text.
char16_t LowercasePredefined(std::u16string_view text, size_t at, size_t& end) {
    const std::u16string_view rest = text.substr(at + 1, 5);
    char16_t value = 0;
    if (rest.starts_with(u"amp;"))
        value = u'&';
    else if (rest.starts_with(u"lt;"))
        value = u'<';
    else if (rest.starts_with(u"gt;"))
        value = u'>';
    else if (rest.starts_with(u"quot;"))
        value = u'"';
    else if (rest.starts_with(u"apos;"))
        value = u'\'';
    if (value != 0)
        end = at + rest.find(u';') + 1;
    return value;
}

void AppendCodePoint(std::u16string& out, char32_t value) {
    if (value < 0x10000) {
        out.push_back(static_cast<char16_t>(value));
        return;
    }
    out.push_back(static_cast<char16_t>(0xD800 | (((value - 0x10000) >> 10) & 0x3FF)));
    out.push_back(static_cast<char16_t>(0xDC00 | (value & 0x3FF)));
}

} // namespace

std::u16string UnescapeMarkup(const char16_t* text, int length) {
    if (text == nullptr)
        return {};
    const std::u16string_view input = length < 0
                                          ? std::u16string_view(text)
                                          : std::u16string_view(text, static_cast<size_t>(length));
    std::u16string result;
    result.reserve(input.size()); // a reference is never shorter than what it stands for
    const auto size = static_cast<int32_t>(input.size());
    for (size_t i = 0; i < input.size();) {
        const auto amp = static_cast<size_t>(FindInSpan<u'&'>(input.data(), int32_t(i), size));
        result.append(input.substr(i, amp - i));
        if (amp == input.size())
            break;
        size_t end = 0;
        char32_t value = LowercasePredefined(input, amp, end);
        if (value == 0)
            value = ReferenceValue(input, amp, end);
        if (value == 0) {
            result.push_back(u'&');
            i = amp + 1;
        } else {
            AppendCodePoint(result, value);
            i = end + 1;
        }
    }
    return result;
}
