#include "markup/entity_table.h"
#include "markup/escape.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

struct Entity {
    std::string name;
    char32_t codePoint;
};

// The independent list: html4_entities.txt, written by make_entity_list.py.
std::vector<Entity> LoadEntityList() {
    std::vector<Entity> entities;
    std::ifstream in("html4_entities.txt");
    std::string name;
    unsigned long codePoint = 0;
    while (in >> name >> codePoint)
        entities.push_back({name, static_cast<char32_t>(codePoint)});
    return entities;
}

std::u16string Widen(const std::string& text) {
    return {text.begin(), text.end()};
}

std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::string Upper(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

std::u16string Decode(const std::string& name) {
    return UnescapeMarkup((u"&" + Widen(name) + u";").c_str(), -1);
}

// Entities grouped by folded name; of two, the capitalised one comes first.
std::map<std::string, std::vector<Entity>> GroupByFoldedName(const std::vector<Entity>& list) {
    std::map<std::string, std::vector<Entity>> groups;
    for (const Entity& e : list) {
        std::vector<Entity>& group = groups[Lower(e.name)];
        if (e.name == Lower(e.name))
            group.push_back(e);
        else
            group.insert(group.begin(), e);
    }
    return groups;
}

class EntityTable : public testing::Test {
  protected:
    void SetUp() override {
        list = LoadEntityList();
        ASSERT_EQ(list.size(), 253u) << "html4_entities.txt not found or incomplete";
        groups = GroupByFoldedName(list);
    }
    std::vector<Entity> list;
    std::map<std::string, std::vector<Entity>> groups;
};

TEST_F(EntityTable, EveryNameDecodesToItsCodePoint) {
    for (const Entity& e : list) {
        SCOPED_TRACE(e.name);
        ASSERT_LT(e.codePoint, 0x10000u);
        EXPECT_EQ(Decode(e.name), std::u16string(1, static_cast<char16_t>(e.codePoint)));
    }
}

TEST_F(EntityTable, SharedNamesFollowTheSpelling) {
    size_t pairs = 0;
    for (const auto& [folded, group] : groups) {
        SCOPED_TRACE(folded);
        const std::u16string first(1, static_cast<char16_t>(group.front().codePoint));
        // Any spelling with a capital: all capitals, or lowercase with its last letter capital.
        std::string lastCapital = folded;
        const size_t last = lastCapital.find_last_not_of("0123456789");
        lastCapital[last] = Upper(lastCapital.substr(last, 1))[0];
        EXPECT_EQ(Decode(Upper(folded)), first);
        EXPECT_EQ(Decode(lastCapital), first);
        if (group.size() == 2) {
            ++pairs;
            EXPECT_EQ(Decode(folded), std::u16string(1, static_cast<char16_t>(group[1].codePoint)));
        }
    }
    EXPECT_EQ(pairs, 64u);
    EXPECT_EQ(groups.size(), 189u);
}

TEST_F(EntityTable, LookupOfUnknownNames) {
    for (std::u16string_view name : {u"", u"nosuch", u"ltx", u"l", u"eacutes", u"thetasymx"}) {
        EXPECT_EQ(LookupEntity(name, false), 0u);
        EXPECT_EQ(LookupEntity(name, true), 0u);
    }
}

TEST_F(EntityTable, BucketsHoldPackedRows) {
    std::map<std::string, std::vector<char32_t>> rows; // folded name -> code points in row order
    size_t rowCount = 0;
    size_t emptyBuckets = 0;
    for (size_t b = 0; b < kEntityBucketCount; ++b) {
        const std::u16string_view bucket = EntityBucket(b);
        emptyBuckets += bucket.empty() ? 1 : 0;
        for (size_t at = 0; at < bucket.size();) {
            SCOPED_TRACE(testing::Message() << "bucket " << b << " offset " << at);
            ASSERT_LE(at + 5, bucket.size());
            for (size_t d = 0; d < 5; ++d)
                ASSERT_TRUE(bucket[at + d] >= u'0' && bucket[at + d] <= u'9');
            const size_t length = static_cast<size_t>(bucket[at] - u'0');
            ASSERT_TRUE(length >= 1 && length <= 8);
            ASSERT_LE(at + 5 + length, bucket.size());
            char32_t codePoint = 0;
            for (size_t d = 1; d < 5; ++d)
                codePoint = codePoint * 10 + static_cast<char32_t>(bucket[at + d] - u'0');
            std::string name;
            size_t sum = 0;
            for (char16_t c : bucket.substr(at + 5, length)) {
                ASSERT_TRUE((c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9'));
                name += static_cast<char>(c);
                sum += c;
            }
            EXPECT_EQ(sum % kEntityBucketCount, b);
            rows[name].push_back(codePoint);
            ++rowCount;
            at += 5 + length;
        }
    }
    EXPECT_EQ(rowCount, 253u);
    EXPECT_EQ(emptyBuckets, 37u);
    EXPECT_TRUE(EntityBucket(kEntityBucketCount).empty());

    // The rows are the list's entities; of two rows the capitalised entity's comes first.
    ASSERT_EQ(rows.size(), groups.size());
    for (const auto& [folded, group] : groups) {
        SCOPED_TRACE(folded);
        std::vector<char32_t> expected;
        for (const Entity& e : group)
            expected.push_back(e.codePoint);
        EXPECT_EQ(rows[folded], expected);
    }
}

} // namespace
