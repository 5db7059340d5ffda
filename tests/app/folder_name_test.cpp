#include "app/folder_name.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct NameCase {
    std::u16string name;
    bool safe;
};

const std::vector<NameCase> kNameCases = {
    {u"1.0.0", true},
    {u"1.0.4", true},
    {u"2.0.0-beta", true},
    {u"1.0.0 ", true},
    {u"版本1", true},
    {u"\u00a0", true},
    {std::u16string(255, u'9'), true},
    {u"", false},
    {u".", false},
    {u"..", false},
    {u"...", false},
    {u".staging", false},
    {std::u16string(256, u'9'), false},
    {u"1.0/2", false},
    {u"/1.0", false},
    {u"1.0/", false},
    {u"../1.0", false},
    {u"1.0\\2", false},
    {u"..\\x", false},
    {std::u16string(u"1.0\0"
                    u"x",
                    5),
     false},
    {u"1.0\n", false},
    {u"\t1.0", false},
    {u"1\r0", false},
    {u"1.0\u001f", false},
    {u"1.0\u007f", false},
    {u"1.0\u0085", false},
    {u"1.0\u009f", false},
};

TEST(IsSafeFolderName, Table) {
    for (const NameCase& c : kNameCases) {
        SCOPED_TRACE(testing::Message() << "length " << c.name.size() << " first unit "
                                        << (c.name.empty() ? 0 : int{c.name[0]}));
        EXPECT_EQ(IsSafeFolderName(c.name), c.safe);
    }
}

} // namespace
