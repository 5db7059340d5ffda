#include "reparse_compare.h"

#include <map>
#include <vector>

#include "markup/xml_doc.h"
#include "test_support.h"

namespace {

constexpr uint32_t kComparedFlags = ElemFirstChild | ElemUnended | ElemHasError;

struct Entry {
    int32_t start, length, startTag, endTag;
    uint32_t flags;
    int32_t parent, firstChild, next, prev; // places in document order, -1 for none
    bool operator==(const Entry&) const = default;
};

std::string Show(const Entry& e) {
    return "[start " + std::to_string(e.start) + " length " + std::to_string(e.length) + " tags " +
           std::to_string(e.startTag) + "/" + std::to_string(e.endTag) + " flags " +
           std::to_string(e.flags >> 16) + " parent " + std::to_string(e.parent) + " first " +
           std::to_string(e.firstChild) + " next " + std::to_string(e.next) + " prev " +
           std::to_string(e.prev) + "]";
}

// The elements in document order; bounded so that a cycle cannot make it run forever.
std::vector<Entry> Flatten(const CXmlDoc& doc) {
    std::vector<int32_t> order;
    std::map<int32_t, int32_t> place{{0, -1}};
    std::vector<int32_t> stack;
    if (doc.elements[0].firstChild != 0)
        stack.push_back(doc.elements[0].firstChild);
    while (!stack.empty() && order.size() <= static_cast<size_t>(doc.usedCount)) {
        const int32_t p = stack.back();
        stack.pop_back();
        place[p] = static_cast<int32_t>(order.size());
        order.push_back(p);
        const XmlElementRec& r = doc.elements[p];
        if (r.nextSibling != 0)
            stack.push_back(r.nextSibling);
        if (r.firstChild != 0)
            stack.push_back(r.firstChild);
    }
    auto at = [&place](int32_t pos) {
        const auto found = place.find(pos);
        return found == place.end() ? -2 : found->second;
    };
    std::vector<Entry> out;
    for (int32_t p : order) {
        const XmlElementRec& r = doc.elements[p];
        out.push_back({r.start, r.length, r.StartTagLength(), r.EndTagLength(),
                       r.flagsLevel & kComparedFlags, r.parent == 0 ? -1 : at(r.parent),
                       r.firstChild == 0 ? -1 : at(r.firstChild),
                       r.nextSibling == 0 ? -1 : at(r.nextSibling), at(r.prevSibling)});
    }
    return out;
}

} // namespace

std::string DifferenceFromReparse(const CXmlDoc& edited) {
    CXmlDoc fresh(edited.text);
    if (edited.elements[0].length != fresh.elements[0].length)
        return "document record length " + std::to_string(edited.elements[0].length) +
               ", reparsed " + std::to_string(fresh.elements[0].length);
    const std::vector<Entry> mine = Flatten(edited);
    const std::vector<Entry> theirs = Flatten(fresh);
    for (size_t i = 0; i < mine.size() && i < theirs.size(); ++i) {
        if (!(mine[i] == theirs[i]))
            return "element " + std::to_string(i) + " is " + Show(mine[i]) + ", reparsed " +
                   Show(theirs[i]) + " in " + Narrow(edited.text);
    }
    if (mine.size() != theirs.size())
        return std::to_string(mine.size()) + " elements, reparsed " +
               std::to_string(theirs.size()) + " in " + Narrow(edited.text);
    return {};
}
