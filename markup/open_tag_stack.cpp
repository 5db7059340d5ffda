#include "markup/open_tag_stack.h"

#include "markup/token_reader.h"

namespace {

constexpr uint64_t kHashStart = 0xcbf29ce484222325ull;
constexpr uint64_t kHashFactor = 0x100000001b3ull;

} // namespace

void XmlOpenTagStack::Push(std::u16string_view name) {
    ++depth;
    if (static_cast<size_t>(depth) == names.size())
        names.resize(names.size() * 2);
    names[static_cast<size_t>(depth)] = name;
}

void XmlOpenTagStack::Pop() {
    --depth;
    if (indexed <= depth)
        return;
    indexed = depth;
    while (!keys.empty() && keys.back().depth > depth) {
        const Key& key = keys.back();
        buckets[key.hash & (buckets.size() - 1)] = key.older;
        keys.pop_back();
    }
}

// Hashes the form in which names that match alike are equal: with case folded, ASCII
// letters are folded up to the first character above U+007F (which must then be equal).
uint64_t XmlOpenTagStack::Step(uint64_t hash, char16_t c, bool& exact) const {
    if (ignoreCase && !exact) {
        if (c > 0x7F)
            exact = true;
        else
            c = FoldAscii(c);
    }
    return (hash ^ c) * kHashFactor;
}

void XmlOpenTagStack::IndexEntry(int32_t at) {
    const std::u16string_view name = names[static_cast<size_t>(at)];
    uint64_t hash = kHashStart;
    bool exact = false;
    for (size_t i = 0; i < name.size(); ++i) {
        hash = Step(hash, name[i], exact);
        if (i + 1 == name.size() || IsPathDelimiter(name[i + 1])) {
            if (keys.size() * 2 >= buckets.size())
                GrowBuckets(keys.size() + 1);
            keys.push_back({hash, static_cast<int32_t>(i + 1), at, -1});
            Link(static_cast<int32_t>(keys.size() - 1));
        }
    }
}

void XmlOpenTagStack::Link(int32_t key) {
    Key& k = keys[static_cast<size_t>(key)];
    int32_t& head = buckets[k.hash & (buckets.size() - 1)];
    k.older = head;
    head = key;
}

void XmlOpenTagStack::GrowBuckets(size_t keyCount) {
    size_t size = buckets.empty() ? 64 : buckets.size();
    while (keyCount * 2 >= size)
        size *= 2;
    buckets.assign(size, -1);
    for (size_t key = 0; key < keys.size(); ++key)
        Link(static_cast<int32_t>(key));
}

int32_t XmlOpenTagStack::FindClosed(std::u16string_view token) {
    if (depth == 0)
        return 0;
    if (TokenMatchesName(token, names[static_cast<size_t>(depth)], ignoreCase))
        return depth;
    if (indexed < depth) {
        // Room for at least one key per entry, so that the index grows once.
        const size_t keyCount = keys.size() + static_cast<size_t>(depth - indexed);
        keys.reserve(keyCount);
        if (keyCount * 2 >= buckets.size())
            GrowBuckets(keyCount);
    }
    while (indexed < depth)
        IndexEntry(++indexed);
    uint64_t hash = kHashStart;
    bool exact = false;
    for (const char16_t c : token)
        hash = Step(hash, c, exact);
    for (int32_t k = buckets[hash & (buckets.size() - 1)]; k >= 0;) {
        const Key& key = keys[static_cast<size_t>(k)];
        if (key.hash == hash && key.length == static_cast<int32_t>(token.size()) &&
            TokenMatchesName(token, names[static_cast<size_t>(key.depth)], ignoreCase))
            return key.depth;
        k = key.older;
    }
    return 0;
}
