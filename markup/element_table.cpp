#include "markup/element_table.h"

#include <algorithm>

namespace {

using Segment = std::unique_ptr<XmlElementRec[]>;

// Storage is handed out uninitialised; whoever hands out a record sets all its fields.
Segment NewBlock(int32_t records) {
    return std::make_unique_for_overwrite<XmlElementRec[]>(static_cast<size_t>(records));
}

Segment GrownCopy(const Segment& old, int32_t oldCount, int32_t newCount) {
    Segment block = NewBlock(newCount);
    std::copy_n(old.get(), oldCount, block.get());
    return block;
}

} // namespace

void XmlElementTable::Reserve(int32_t requested) {
    if (requested <= capacity)
        return;
    const int32_t last = capacity == 0 ? 0 : (capacity - 1) >> 16;
    int32_t need = (requested - 1) >> 16;
    if (need > last + 1) {
        need = last + 1;
        requested = (last + 2) * kSegmentSize;
    }

    if (need >= segmentSlots) {
        const int32_t slots = 2 * need + 4;
        auto grown = std::make_unique<Segment[]>(static_cast<size_t>(slots));
        const int32_t inUse = capacity == 0 ? 0 : ((capacity - 1) >> 16) + 1;
        std::move(segments.get(), segments.get() + inUse, grown.get());
        segments = std::move(grown);
        segmentSlots = slots;
    }

    const int32_t inLast = capacity == 0 ? 0 : capacity - last * kSegmentSize;
    if (last < need && inLast < kSegmentSize) {
        segments[last] = capacity == 0 ? NewBlock(kSegmentSize)
                                       : GrownCopy(segments[last], inLast, kSegmentSize);
    }

    const int32_t inNeed = requested - need * kSegmentSize;
    if (need == last && capacity != 0)
        segments[need] = GrownCopy(segments[need], inLast, inNeed);
    else
        segments[need] = NewBlock(inNeed);
    capacity = requested;
}

void XmlElementTable::Release() {
    segments.reset();
    capacity = 0;
    segmentSlots = 0;
}
