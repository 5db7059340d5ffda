#include <gtest/gtest.h>

#include "invariants.h"
#include "markup/report.h"
#include "markup/xml_doc.h"
#include "test_support.h"

namespace {

struct EntryCase {
    const char16_t* before;
    const char16_t* name;
    const char16_t* text; // nullptr: absent
    uint32_t flags;
    int32_t number;
    int32_t number2;
    const char16_t* after;
};

void PrintTo(const EntryCase& c, std::ostream* os) {
    *os << Narrow(c.before) << " + " << Narrow(c.name);
}

class EntryTable : public testing::TestWithParam<EntryCase> {};

TEST_P(EntryTable, Report) {
    const EntryCase& c = GetParam();
    std::u16string report = c.before;
    std::optional<std::u16string_view> text;
    if (c.text)
        text = c.text;
    AddReportEntry(report, c.name, text, c.flags, c.number, c.number2);
    EXPECT_EQ(Narrow(report), Narrow(c.after));
    // The report always reads back as a sequence of entries.
    CXmlDoc entries(report);
    EXPECT_FALSE(entries.elements[0].Has(DocIllFormed));
    EXPECT_EQ(CheckIndexInvariants(entries), "");
}

INSTANTIATE_TEST_SUITE_P(
    Add, EntryTable,
    testing::Values(
        EntryCase{u"", u"lone_end_tag", u"b", 0, 12, -1,
                  u"<lone_end_tag tagname=\"b\" offset=\"12\"/>"},
        EntryCase{u"", u"no_root_element", nullptr, 0, -1, -1, u"<no_root_element/>"},
        EntryCase{u"<no_root_element/>", u"root_has_sibling", nullptr, 0, -1, -1,
                  u"<no_root_element/><root_has_sibling/>"},
        EntryCase{u"", u"unended_start_tag", u"x", 0, 3, 7,
                  u"<unended_start_tag tagname=\"x\" offset=\"3\" offset2=\"7\"/>"},
        EntryCase{u"", u"file_error", u"m", 0x44, 2, -1, u"<file_error msg=\"m\" n=\"2\"/>"},
        EntryCase{u"", u"read", u"UTF-8", 0x18, 100, -1,
                  u"<read encoding=\"UTF-8\" length=\"100\"/>"},
        EntryCase{u"", u"nulls_removed", nullptr, 0x01, -1, -1, u"<nulls_removed count=\"-1\"/>"},
        EntryCase{u"", u"e", nullptr, 0x10, -1, -1, u"<e length=\"-1\"/>"},
        EntryCase{u"", u"e", nullptr, 0x04, -5, -1, u"<e n=\"-5\"/>"},
        EntryCase{u"", u"e", u"t", 0x4E, 1, -1, u"<e type=\"t\" n=\"1\"/>"}, // first flag wins
        EntryCase{u"", u"e", u"t", 0x48, 1, -1, u"<e encoding=\"t\" offset=\"1\"/>"},
        EntryCase{u"", u"e", u"t", 0x15, 1, -1, u"<e tagname=\"t\" n=\"1\"/>"},
        EntryCase{u"", u"e", u"t", 0x11, 1, -1, u"<e tagname=\"t\" count=\"1\"/>"},
        EntryCase{u"", u"e", nullptr, 0, -1, 4, u"<e offset2=\"4\"/>"},
        EntryCase{u"", u"e", u"", 0, -1, -1, u"<e tagname=\"\"/>"},
        EntryCase{u"", u"unterminated_tag_syntax", u"comment", 0x02, 0, -1,
                  u"<unterminated_tag_syntax type=\"comment\" offset=\"0\"/>"},
        EntryCase{u"", u"e", u"a\"b<c>&d'", 0, -1, -1,
                  u"<e tagname=\"a&quot;b&lt;c&gt;&amp;d&apos;\"/>"},
        // Entries go after the last entry, whatever trails it.
        EntryCase{u"<a/><b/>  ", u"c", nullptr, 0, -1, -1, u"<a/><b/><c/>  "},
        EntryCase{u"junk", u"c", nullptr, 0, -1, -1, u"junk<c/>"},
        // A name that would not read back as itself adds nothing.
        EntryCase{u"<bom/>", u"?", nullptr, 0, -1, 5, u"<bom/>"},
        EntryCase{u"<bom/>", u"8x", u"t", 0, 1, -1, u"<bom/>"}));

INSTANTIATE_TEST_SUITE_P(
    Update, EntryTable,
    testing::Values(
        EntryCase{u"<read encoding=\"UTF-8\" length=\"100\"/>", u"read", nullptr, 0x30, 150, -1,
                  u"<read encoding=\"UTF-8\" length=\"150\"/>"},
        EntryCase{u"<bom/>", u"read", nullptr, 0x30, 150, -1, u"<bom/>"},
        EntryCase{u"<bom/><read encoding=\"UTF-8\" length=\"100\"/>", u"read", u"windows-1252",
                  0x28, -1, -1, u"<bom/><read encoding=\"windows-1252\" length=\"100\"/>"},
        EntryCase{u"<read/><read length=\"1\"/>", u"read", nullptr, 0x30, 2, -1,
                  u"<read length=\"2\"/><read length=\"1\"/>"},
        EntryCase{u"<reader/><read/>", u"read", nullptr, 0x30, 2, -1,
                  u"<reader/><read length=\"2\"/>"},
        EntryCase{u"<e a='1'/>", u"e", nullptr, 0x20, -1, 9, u"<e a='1' offset2=\"9\"/>"},
        EntryCase{u"<e tagname='x'/>", u"e", u"y\"", 0x20, -1, -1, u"<e tagname=\"y&quot;\"/>"}));

TEST(AddReportEntry, LimitDropsFurtherEntriesButKeepsTheOneThatCrossesIt) {
    std::u16string report;
    int added = 0;
    while (report.size() < kReportLimit) {
        AddReportEntry(report, u"lone_end_tag", u"name", 0, added, -1);
        ++added;
    }
    const std::u16string full = report;
    EXPECT_GT(full.size(), kReportLimit - 1);
    // The last entry is whole.
    EXPECT_EQ(full.substr(full.size() - 2), u"/>");
    AddReportEntry(report, u"no_root_element", std::nullopt, 0, -1, -1);
    AddReportEntry(report, u"lone_end_tag", u"x", RPT_UPDATE, 5, -1);
    EXPECT_EQ(report, full);
    CXmlDoc entries(report);
    EXPECT_EQ(entries.usedCount, added + 1);
}

} // namespace
