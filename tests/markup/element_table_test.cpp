#include <gtest/gtest.h>

#include "invariants.h"
#include "markup/element_table.h"
#include "markup/xml_doc.h"

namespace {

int32_t SegmentRecords(const XmlElementTable& t, int32_t segment) {
    return std::min(t.capacity - segment * XmlElementTable::kSegmentSize,
                    XmlElementTable::kSegmentSize);
}

XmlElementTable TableOf(int32_t records) {
    XmlElementTable t;
    t.Reserve(records);
    return t;
}

struct ReserveCase {
    int32_t initial; // 0: a new table
    int32_t requested;
    int32_t capacity; // after the call
    int32_t lastSegmentRecords;
};

class ReserveTable : public testing::TestWithParam<ReserveCase> {};

TEST_P(ReserveTable, CapacityAndSegments) {
    const ReserveCase& c = GetParam();
    XmlElementTable t = TableOf(c.initial);
    // Fill what exists with recognisable records; growth must keep them.
    for (int32_t p = 0; p < t.capacity; ++p)
        t[p] = XmlElementRec{p, -p, 0, 0, 0, 0, 0, 0};
    const int32_t before = t.capacity;

    t.Reserve(c.requested);
    EXPECT_EQ(t.capacity, c.capacity);
    const int32_t last = (t.capacity - 1) >> 16;
    EXPECT_EQ(SegmentRecords(t, last), c.lastSegmentRecords);
    EXPECT_GT(t.segmentSlots, last);
    for (int32_t p = 0; p < before; ++p) {
        ASSERT_EQ(t[p].start, p);
        ASSERT_EQ(t[p].length, -p);
    }
    // Every slot below capacity is usable.
    t[t.capacity - 1].start = 7;
    EXPECT_EQ(t[t.capacity - 1].start, 7);
}

INSTANTIATE_TEST_SUITE_P(
    Reserve, ReserveTable,
    testing::Values(ReserveCase{0, 8, 8, 8},               // a new document's table
                    ReserveCase{8, 200000, 131072, 65536}, // cut: at most one more segment
                    ReserveCase{8, 70000, 70000, 4464},    // segment 0 full, segment 1 partial
                    ReserveCase{8, 12, 12, 12},            // grows within segment 0
                    ReserveCase{8, 65536, 65536, 65536},   // exactly one full segment
                    ReserveCase{70000, 140000, 140000, 8928},
                    ReserveCase{131072, 1000000, 196608, 65536},
                    ReserveCase{100, 50, 100, 100})); // never shrinks

TEST(Reserve, RepeatedGrowthKeepsEveryRecord) {
    XmlElementTable t;
    int32_t requested = 8;
    while (t.capacity < 400000) {
        const int32_t before = t.capacity;
        t.Reserve(requested);
        ASSERT_GT(t.capacity, before);
        for (int32_t p = before; p < t.capacity; ++p)
            t[p].start = p;
        requested = t.capacity + t.capacity / 2;
    }
    for (int32_t p = 0; p < t.capacity; ++p)
        ASSERT_EQ(t[p].start, p);
}

TEST(XmlElementRec, BitFields) {
    XmlElementRec r{};
    r.SetStartTagLength(kMaxStartTagLength);
    r.SetEndTagLength(kMaxEndTagLength);
    EXPECT_EQ(r.tagLengths, 0xFFFFFFFFu);
    r.SetStartTagLength(5);
    EXPECT_EQ(r.StartTagLength(), 5);
    EXPECT_EQ(r.EndTagLength(), kMaxEndTagLength);
    r.flagsLevel = ElemFirstChild;
    r.SetLevel(70000); // saturates instead of spilling into the flags
    EXPECT_EQ(r.Level(), kMaxLevel);
    EXPECT_EQ(r.flagsLevel & 0xFFFF0000u, ElemFirstChild);
}

TEST(CXmlDoc, NewDocument) {
    CXmlDoc doc;
    EXPECT_EQ(doc.text, u"");
    EXPECT_EQ(doc.report, u"");
    EXPECT_EQ(doc.parentPos, 0);
    EXPECT_EQ(doc.currentPos, 0);
    EXPECT_EQ(doc.childPos, 0);
    EXPECT_EQ(doc.nodeKind, 0);
    EXPECT_EQ(doc.nodeOffset, 0);
    EXPECT_EQ(doc.nodeLength, 0);
    EXPECT_EQ(doc.modeFlags, 0u);
    EXPECT_EQ(doc.usedCount, 1);
    EXPECT_EQ(doc.freeListHead, 0);
    EXPECT_EQ(doc.elements.capacity, 8);
    EXPECT_EQ(doc.attachedFile, nullptr);
    EXPECT_EQ(CheckIndexInvariants(doc), "");
}

TEST(CXmlDoc, PresentEmptyTextKeepsStorageAbsentTextReleasesIt) {
    std::u16string big = u"<r>";
    big.append(64 * 1000, u' ');
    big += u"</r>";
    CXmlDoc doc(big);
    const int32_t grown = doc.elements.capacity;
    EXPECT_EQ(grown, 1008);

    EXPECT_FALSE(doc.SetText(u""));
    EXPECT_EQ(doc.elements.capacity, grown);

    EXPECT_FALSE(doc.SetText(std::nullopt));
    EXPECT_EQ(doc.text, u"");
    EXPECT_EQ(doc.elements.capacity, 8);
    EXPECT_EQ(doc.elements.segmentSlots, 4);
    EXPECT_EQ(CheckIndexInvariants(doc), "");
}

TEST(CXmlDoc, SetTextEmptiesTheReport) {
    CXmlDoc doc(u"<a><b></a>");
    EXPECT_NE(doc.report, u"");
    EXPECT_TRUE(doc.SetText(u"<a/>"));
    EXPECT_EQ(doc.report, u"");
}

} // namespace
