#include "markup/text_range.h"

#include <algorithm>

void ReplaceTextRange(std::u16string& target, int32_t offset, int32_t oldLength,
                      std::u16string_view replacement) {
    const size_t oldSize = target.size();
    const size_t at = std::min(static_cast<size_t>(std::max(offset, 0)), oldSize);
    const size_t removed = std::min(static_cast<size_t>(std::max(oldLength, 0)), oldSize - at);
    const size_t newSize = oldSize - removed + replacement.size();

    if (newSize > target.capacity())
        target.reserve(newSize + newSize / 2 + 128);

    const size_t tail = oldSize - at - removed;
    if (newSize > oldSize)
        target.resize(newSize);
    if (replacement.size() != removed && tail != 0) {
        char16_t* data = target.data();
        std::char_traits<char16_t>::move(data + at + replacement.size(), data + at + removed, tail);
    }
    std::char_traits<char16_t>::copy(target.data() + at, replacement.data(), replacement.size());
    if (newSize < oldSize)
        target.resize(newSize);
}
