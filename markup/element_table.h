#pragma once

#include <cstdint>
#include <memory>

// Element flags, kept in bits 16-31 of XmlElementRec::flagsLevel.
inline constexpr uint32_t ElemFreed = 0x20000;
inline constexpr uint32_t ElemFirstChild = 0x80000;
inline constexpr uint32_t ElemUnended = 0x100000;
inline constexpr uint32_t ElemHasError = 0x200000;
inline constexpr uint32_t DocIllFormed = 0x800000;

// Largest start-tag and end-tag lengths the 22 and 10 bits of tagLengths hold.
inline constexpr int32_t kMaxStartTagLength = 0x3FFFFF;
inline constexpr int32_t kMaxEndTagLength = 0x3FF;
// Largest level the 16 bits of flagsLevel hold; deeper elements keep this level.
inline constexpr uint32_t kMaxLevel = 0xFFFF;

// One element of the index: offsets into the document text, lengths, flags and links.
// Positions are record numbers; 0 is the document record and, where optional, means none.
struct XmlElementRec {
    int32_t start;       // offset of the '<' of the start tag
    int32_t length;      // whole element, start tag through end tag
    uint32_t tagLengths; // bits 0-21 start-tag length, bits 22-31 end-tag length
    uint32_t flagsLevel; // bits 0-15 level, bits 16-31 Elem... flags
    int32_t parent;
    int32_t firstChild;
    int32_t nextSibling;
    int32_t prevSibling; // the first child's points to the last child

    int32_t StartTagLength() const { return static_cast<int32_t>(tagLengths & 0x3FFFFF); }
    int32_t EndTagLength() const { return static_cast<int32_t>(tagLengths >> 22); }
    void SetStartTagLength(int32_t n) {
        tagLengths = (tagLengths & ~0x3FFFFFu) | (static_cast<uint32_t>(n) & 0x3FFFFFu);
    }
    void SetEndTagLength(int32_t n) {
        tagLengths = (tagLengths & 0x3FFFFFu) | (static_cast<uint32_t>(n) << 22);
    }
    uint32_t Level() const { return flagsLevel & 0xFFFF; }
    void SetLevel(uint32_t level) {
        flagsLevel = (flagsLevel & ~0xFFFFu) | (level < kMaxLevel ? level : kMaxLevel);
    }
    bool Has(uint32_t flag) const { return (flagsLevel & flag) != 0; }
    void Set(uint32_t flag) { flagsLevel |= flag; }
    void Clear(uint32_t flag) { flagsLevel &= ~flag; }
};

static_assert(sizeof(XmlElementRec) == 32, "an element record is eight 32-bit fields");

// The records, in segments of 65,536. A position's high 16 bits select the segment,
// its low 16 bits the slot.
class XmlElementTable {
  public:
    static constexpr int32_t kSegmentSize = 0x10000;

    std::unique_ptr<std::unique_ptr<XmlElementRec[]>[]> segments;
    int32_t capacity = 0;     // records all segments hold together
    int32_t segmentSlots = 0; // entries the segments array has room for

    // Makes room for at least part of requested records: one call adds at most one
    // segment. Existing records keep their positions and contents.
    void Reserve(int32_t requested);
    // Releases every segment and the segment array.
    void Release();
    bool HasStorage() const { return capacity != 0; }

    XmlElementRec& operator[](int32_t pos) { return segments[pos >> 16][pos & 0xFFFF]; }
    const XmlElementRec& operator[](int32_t pos) const { return segments[pos >> 16][pos & 0xFFFF]; }
};

// Follows one chain of positions through a table, keeping the segment of the last record it
// visited, so that a step within the same segment costs one index into it.
class XmlRecordCursor {
  public:
    explicit XmlRecordCursor(const XmlElementTable& table) : m_table(table) {}

    const XmlElementRec& At(int32_t pos) {
        const int32_t segment = pos >> 16;
        if (segment != m_segmentNumber) {
            m_segmentNumber = segment;
            m_segment = m_table.segments[segment].get();
        }
        return m_segment[pos & 0xFFFF];
    }

  private:
    const XmlElementTable& m_table;
    const XmlElementRec* m_segment = nullptr;
    int32_t m_segmentNumber = -1;
};
