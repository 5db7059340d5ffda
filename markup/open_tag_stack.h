#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

// Names of the elements opened and not yet closed, innermost last, at depths 1 to Depth().
// The names are views into the text being parsed, which must outlive the stack.
//
// An end tag closes the innermost entry its name matches (TokenMatchesName). The innermost
// entry is tried first; past it, entries are found through a hash index of every prefix of
// their names that ends where a path delimiter or the name's end follows, so that the search
// does not grow with the depth. Entries join the index only when an end tag misses the
// innermost entry, and each joins it at most once.
class XmlOpenTagStack {
  public:
    explicit XmlOpenTagStack(bool foldCase) : names(7), ignoreCase(foldCase) {}

    int32_t Depth() const { return depth; }
    void Push(std::u16string_view name);
    void Pop();
    std::u16string_view Name(int32_t at) const { return names[static_cast<size_t>(at)]; }
    // The depth of the innermost entry that an end tag named token closes, 0 for none.
    int32_t FindClosed(std::u16string_view token);

  private:
    // One indexed name prefix: its hash, its length and the entry it belongs to.
    struct Key {
        uint64_t hash;
        int32_t length;
        int32_t depth;
        int32_t older; // the next older key in the same bucket, -1 for none
    };

    void IndexEntry(int32_t at);
    void Link(int32_t key);
    // Makes room for keyCount keys at most half as many as there are buckets.
    void GrowBuckets(size_t keyCount);
    uint64_t Step(uint64_t hash, char16_t c, bool& exact) const;

    std::vector<std::u16string_view> names; // entry 0 is never used
    int32_t depth = 0;
    int32_t indexed = 0;          // entries 1 to indexed have their keys in the index
    std::vector<Key> keys;        // in the order the entries were indexed
    std::vector<int32_t> buckets; // newest key of each bucket, -1 for none
    bool ignoreCase;
};
