#include "markup/open_tag_stack.h"

void XmlOpenTagStack::Push(std::u16string_view name) {
    ++depth;
    if (static_cast<size_t>(depth) == entries.size())
        entries.resize(entries.size() * 2);
    entries[static_cast<size_t>(depth)].assign(name);
}
