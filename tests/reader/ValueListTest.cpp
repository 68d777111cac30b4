#include "ed/reader/ValueList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> Texts(const ed::ValueList& list) {
    std::vector<std::string> texts;
    for (const du::Symbol& value : list) texts.push_back(value.is_null() ? "(null)" : value.c_str());
    return texts;
}

// Lists of every length up to past two growth steps, copied, overwritten and released, leak nothing.
TEST(ValueListTest, KeepsFileOrderThroughGrowthAndCopies) {
    const size_t before = du::Symbol::LiveCount();
    {
        std::vector<std::string> expected;
        ed::ValueList list;
        EXPECT_TRUE(list.empty());
        for (int i = 0; i < 7; ++i) {
            expected.push_back("value-" + std::to_string(i));
            list.push_back(du::Symbol(expected.back()));
            ASSERT_EQ(expected.size(), list.size());
            ASSERT_EQ(expected, Texts(list));

            ed::ValueList copy(list);
            EXPECT_EQ(expected, Texts(copy));
            copy[i] = du::Symbol();
            EXPECT_EQ("(null)", Texts(copy).back());
            EXPECT_EQ(expected, Texts(list));
            copy = ed::ValueList();
            EXPECT_TRUE(copy.empty());
        }
        EXPECT_EQ("value-0", std::string(list.front()));
    }
    EXPECT_EQ(before, du::Symbol::LiveCount());
}

}  // namespace
