#include "app/ansi_text.h"

#include "platform/code_page.h"

#include <climits>

std::u16string AnsiToUtf16(std::string bytes) {
    if (bytes.size() > static_cast<size_t>(INT_MAX))
        return {};
    const int length = static_cast<int>(bytes.size());
    const int needed = MultiByteToUtf16(CP_ACP, bytes.data(), length, nullptr, 0);
    std::u16string text(static_cast<size_t>(needed), u'\0');
    const int written = MultiByteToUtf16(CP_ACP, bytes.data(), length, text.data(), needed);
    text.resize(static_cast<size_t>(written));
    return text;
}

std::string Utf16ToAnsi(std::u16string text, bool* lossy) {
    bool usedDefault = false;
    std::string bytes;
    if (text.size() <= static_cast<size_t>(INT_MAX)) {
        const int length = static_cast<int>(text.size());
        const int needed = Utf16ToMultiByte(CP_ACP, text.data(), length, nullptr, 0, &usedDefault);
        bytes.assign(static_cast<size_t>(needed), '\0');
        const int written =
            Utf16ToMultiByte(CP_ACP, text.data(), length, bytes.data(), needed, &usedDefault);
        bytes.resize(static_cast<size_t>(written));
        // Nothing came out of a text that had something in it: nothing was representable.
        usedDefault = usedDefault || (bytes.empty() && !text.empty());
    } else {
        usedDefault = true;
    }
    if (lossy)
        *lossy = usedDefault;
    return bytes;
}
