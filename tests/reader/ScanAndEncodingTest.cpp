#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ed/reader/ScanInt.h"
#include "kxk/ComponentNode.h"
#include "support/ParserInspector.h"

namespace {

TEST(ScanIntTest, SkipsEveryNonDigitAndWrapsAt32Bits) {
    struct Case {
        std::string field;
        std::vector<int> values;
        std::string rest;  // what the cursor stands on afterwards
    };
    const Case cases[] = {
        {"  -12x", {12}, "x"},
        {"12 34", {12, 34, 0}, ""},
        {"\"7\"\r\n", {7, 0}, ""},
        {"\xb5"
         "5,6",
         {5, 6},
         ""},
        {"4294967295", {-1}, ""},
        {"4294967296", {0}, ""},
        {"99999999999", {1215752191}, ""},  // 99999999999 mod 2^32
        {"2147483648", {-2147483647 - 1}, ""},
    };
    for (const Case& c : cases) {
        const char* cursor = c.field.c_str();
        for (int expected : c.values) EXPECT_EQ(expected, ed::ScanInt(cursor)) << c.field;
        EXPECT_EQ(c.rest, cursor) << c.field;
    }
}

// The scan for a byte of 0x80 or above reads words; every length and position must still be seen.
TEST(ScanTextTest, FindsAHighByteAtEveryPositionOfShortAndLongFields) {
    for (size_t length = 1; length <= 20; ++length) {
        for (size_t at = 0; at < length; ++at) {
            std::string name(length, 'a'), converted(length, 'a');
            name[at] = '\xe9';
            converted.replace(at, 1, "\xc3\xa9");
            ed::Parser parser;
            ed::ParserInspector inspect(parser);
            ASSERT_TRUE(inspect.ParseText("C 1 0 0\nI 0 1 0 0 " + name + "\n"));
            EXPECT_EQ(converted, inspect.Structure()->GetRoot()->GetName().c_str()) << length << " " << at;
        }
    }
}

}  // namespace
