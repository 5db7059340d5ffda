#include "markup/name_path.h"

#include "markup/token_reader.h"

namespace {

bool IsNonZeroDigit(char16_t c) {
    return c >= u'1' && c <= u'9';
}

bool IsDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

} // namespace

char16_t XmlNamePath::At(int32_t i) const {
    return static_cast<size_t>(i) < path.size() ? path[static_cast<size_t>(i)] : u'\0';
}

bool XmlNamePath::Fail() {
    pathKind = PathInvalid;
    return false;
}

void XmlNamePath::SkipName() {
    while (At(index) != 0 && !IsPathDelimiter(At(index)))
        ++index;
}

// A value after "=": quoted by apostrophes or quotation marks, or running up to "]".
bool XmlNamePath::ReadValue() {
    const char16_t quote = At(index);
    if (quote == u'\'' || quote == u'"') {
        const int32_t begin = ++index;
        while (At(index) != 0 && At(index) != quote)
            ++index;
        if (At(index) == 0)
            return false;
        valueLength = index - begin;
        ++index;
        return true;
    }
    const int32_t begin = index;
    while (At(index) != 0 && At(index) != u']')
        ++index;
    valueLength = index - begin;
    return true;
}

// "[" position "]", "[@" name "]", "[@" name "=" value "]" or "[" name "]"; index is at "[".
bool XmlNamePath::ReadPredicate() {
    ++index;
    if (IsNonZeroDigit(At(index))) {
        while (IsDigit(At(index)))
            ++index;
    } else if (At(index) == u'@') {
        ++index;
        SkipName();
        if (At(index) == u'=') {
            ++index;
            if (!ReadValue())
                return false;
        }
    } else {
        SkipName();
    }
    if (At(index) != u']')
        return false;
    ++index;
    return true;
}

bool XmlNamePath::ReadStep() {
    SkipName();
    return At(index) != u'[' || ReadPredicate();
}

bool XmlNamePath::CheckSyntax() {
    index = 0;
    attrIndex = 0;
    valueLength = 0;
    if (At(0) == 0) {
        pathKind = PathAnyElement;
        return true;
    }
    pathKind = At(0) != u'/' ? PathRelative : At(1) == u'/' ? PathAnywhere : PathAbsolute;
    const int32_t firstStep = pathKind == PathRelative ? 0 : pathKind == PathAbsolute ? 1 : 2;
    index = firstStep;
    if (At(index) == 0)
        return Fail();

    for (;;) {
        if (!ReadStep())
            return Fail();
        if (At(index) == 0)
            break;
        if (At(index) != u'/' || pathKind == PathAnywhere || At(index + 1) == 0)
            return Fail();
        ++index;
        if (At(index) == u'@') {
            const int32_t name = index + 1;
            index = name;
            SkipName();
            if (At(index) == 0) {
                attrIndex = name;
                break;
            }
            index = name - 1;
        }
    }
    index = firstStep;
    return true;
}
