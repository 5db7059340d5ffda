#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Names of the elements opened and not yet closed, innermost last, at depths 1 to Depth().
// Entries are reused, so a name copy allocates only when it outgrows the entry's storage.
class XmlOpenTagStack {
  public:
    XmlOpenTagStack() : entries(7) {}

    int32_t Depth() const { return depth; }
    void Push(std::u16string_view name);
    void Pop() { --depth; }
    const std::u16string& Name(int32_t at) const { return entries[static_cast<size_t>(at)]; }

  private:
    std::vector<std::u16string> entries; // entry 0 is never used
    int32_t depth = 0;
};
