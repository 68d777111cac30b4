#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/ParserInspector.h"
#include "support/TraceRecorder.h"

namespace {

// A text with zero bytes inside.
template <size_t N>
std::string Bytes(const char (&text)[N]) {
    return std::string(text, N - 1);
}

// The name of the root after reading "C 1 0 0" and `text` with a parser of its own.
std::string RootName(const std::string& text) {
    ed::Parser parser;
    ed::ParserInspector inspect(parser);
    inspect.Read("C 1 0 0\n" + text);
    return inspect.Root()->name.safe_c_str();
}

class ScanAndEncodingTest : public ::testing::Test {
  protected:
    ed::Parser parser;
    ed::ParserInspector inspect{parser};
};

// Integer and text fields, as the scanners see the bytes behind the record letter.
TEST_F(ScanAndEncodingTest, ScanIntSkipsEveryNonDigitAndWrapsAt32Bits) {
    struct Case {
        std::string field;
        std::vector<int> values;
        std::string rest;  // what the cursor stands on afterwards
    };
    const Case cases[] = {
        {"  -12x", {12}, "x"},
        {"12 34", {12, 34, 0}, ""},
        {"abc", {0}, ""},
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
        std::string buffer = c.field;
        inspect.SetCursor(&buffer[0]);
        for (int expected : c.values) EXPECT_EQ(expected, inspect.ScanInt()) << c.field;
        EXPECT_EQ(c.rest, inspect.Cursor()) << c.field;
    }
}

TEST_F(ScanAndEncodingTest, ScanTailKeepsInnerAndTrailingBlanksAndEndsTheLine) {
    std::string buffer = "   two words  \n";
    inspect.SetCursor(&buffer[0]);
    EXPECT_STREQ("two words  ", inspect.ScanTail(false));
    EXPECT_STREQ("", inspect.ScanTail(false));
    EXPECT_EQ(0, inspect.ScanInt());

    std::string tabbed = "\tname\n";
    inspect.SetCursor(&tabbed[0]);
    EXPECT_STREQ("\tname", inspect.ScanTail(true));

    std::string glued = " 4name\n";
    inspect.SetCursor(&glued[0]);
    EXPECT_EQ(4, inspect.ScanInt());
    EXPECT_STREQ("name", inspect.ScanTail(true));
}

TEST_F(ScanAndEncodingTest, LineFeedEndsTheLineAndSoDoesAZeroByte) {
    EXPECT_EQ("Root\r", RootName("I 0 1 0 0 Root\r\n"));
    EXPECT_EQ("Root", RootName("I 0 1 0 0 Root"));
    inspect.Read(Bytes("I 0 1 0 0 Ro\0ot\nI 0 2 0 0 Next\n"));
    EXPECT_STREQ("Ro", inspect.Node(1)->name.c_str());
    EXPECT_STREQ("Next", inspect.Node(2)->name.c_str());
    // A zero byte ends the integer fields too: "C 5" makes node 5 the root.
    ed::Parser fresh;
    ed::ParserInspector look(fresh);
    look.Read(Bytes("C 5\0 1 0\n"));
    EXPECT_EQ(look.Node(5), look.Root());
    EXPECT_NE(nullptr, look.Root());
}

TEST_F(ScanAndEncodingTest, LinesWithoutAHandlerDoNothing) {
    edtest::TraceRecorder traces;
    for (const char* text : {" C 1 0 0\n", "c 1 0 0\n", "#C 1 0 0\n", "B 1 0 0\n", "O 1 0 0\n", "Q 1\n",
                             "Y 1 0 0\n", "Z\n", "\xc3 1 0 0\n", "1 0 0\n", "\n"}) {
        ed::Parser fresh;
        ed::ParserInspector look(fresh);
        look.Read(text);
        EXPECT_EQ(nullptr, look.Root()) << text;
        EXPECT_EQ(0u, look.NodeCount()) << text;
    }
    EXPECT_TRUE(traces.Texts().empty());
}

// Encoding records. Names and values are compared with their UTF-8 bytes.
const char kShiftJisNihon[] = "\x93\xfa\x96\x7b";
const char kUtf8Nihon[] = "\xe6\x97\xa5\xe6\x9c\xac";
const char kCp1252Grosse[] =
    "Gr\xf6\xdf"
    "e";
const char kUtf8Grosse[] =
    "Gr\xc3\xb6\xc3\x9f"
    "e";

TEST_F(ScanAndEncodingTest, ConvertsTextFieldsWithTheLastEncodingRecord) {
    struct Case {
        std::string text;
        std::string name;
    };
    const Case cases[] = {
        {"J Shift_JIS\nI 0 1 0 0 " + std::string(kShiftJisNihon) + "\n", kUtf8Nihon},
        {"J CP1252\nI 0 1 0 0 " + std::string(kCp1252Grosse) + "\n", kUtf8Grosse},
        // Without an encoding record, UTF-8 passes and windows-1252 is converted.
        {"I 0 1 0 0 " + std::string(kUtf8Nihon) + "\n", kUtf8Nihon},
        {"I 0 1 0 0 " + std::string(kCp1252Grosse) + "\n", kUtf8Grosse},
        // 0x80 is the euro sign in windows-1252, and overlong UTF-8 is not UTF-8.
        {"I 0 1 0 0 \x80 \xc0\xaf\n", "\xe2\x82\xac \xc3\x80\xc2\xaf"},
        // UTF-8 in any letter case, and an empty name, turn conversion off.
        {"J UTF-8\nI 0 1 0 0 " + std::string(kCp1252Grosse) + "\n", kCp1252Grosse},
        {"J Utf8\nI 0 1 0 0 " + std::string(kCp1252Grosse) + "\n", kCp1252Grosse},
        {"J \nI 0 1 0 0 " + std::string(kCp1252Grosse) + "\n", kCp1252Grosse},
        // An encoding the converter cannot serve leaves text as it is.
        {"J no-such-encoding\nI 0 1 0 0 " + std::string(kShiftJisNihon) + "\n", kShiftJisNihon},
        // A field that fails to convert is taken unconverted.
        {"J Shift_JIS\nI 0 1 0 0 ab\x81\n", "ab\x81"},
        // The name is read raw: the encoding record's own field is never converted.
        {"J Shift_JIS\nJ UTF-8\nI 0 1 0 0 " + std::string(kShiftJisNihon) + "\n", kShiftJisNihon},
    };
    for (const Case& c : cases) EXPECT_EQ(c.name, RootName(c.text)) << c.text;
}

// The scan for a byte of 0x80 or above reads words; every length and position must still be seen.
TEST_F(ScanAndEncodingTest, FindsAHighByteAtEveryPositionOfShortAndLongFields) {
    for (size_t length = 1; length <= 20; ++length) {
        for (size_t at = 0; at < length; ++at) {
            std::string name(length, 'a'), converted(length, 'a');
            name[at] = '\xe9';
            converted.replace(at, 1, "\xc3\xa9");
            EXPECT_EQ(converted, RootName("I 0 1 0 0 " + name + "\n")) << length << " " << at;
        }
    }
}

TEST_F(ScanAndEncodingTest, EarlierFieldsAreNotRevisitedAndTheCharsetRecordChangesNothing) {
    edtest::TraceRecorder traces;
    inspect.Read("C 1 0 0\nC 2 1 0\nI 0 1 0 0 " + std::string(kShiftJisNihon) +
                 "\nJ Shift_JIS\nH 932\nI 0 2 0 0 " + kShiftJisNihon + "\n");
    EXPECT_NE(kUtf8Nihon, std::string(inspect.Node(1)->name.c_str()));
    EXPECT_EQ(kUtf8Nihon, std::string(inspect.Node(2)->name.c_str()));
    EXPECT_EQ(std::vector<std::string>{"AddCharset not yet implemented - H 932\n\n"}, traces.Texts());
}

}  // namespace
