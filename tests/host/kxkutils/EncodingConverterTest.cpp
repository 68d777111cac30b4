#include "du/EncodingConverter.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using du::EncodingConverter;
using du::Symbol;

struct Case {
    const char* from;
    std::string input;
    std::string utf8;
};

std::string Times(int n, const std::string& text) {
    std::string out;
    while (n-- > 0) out += text;
    return out;
}

// Expected UTF-8 bytes are written out by hand, from the code charts of each encoding.
const Case kCases[] = {
    {"Shift_JIS", "\x93\xfa\x96\x7b\xb1", "\xe6\x97\xa5\xe6\x9c\xac\xef\xbd\xb1"},  // 日本ｱ
    {"shift_jis", "\x93\xfa", "\xe6\x97\xa5"},                                      // name case
    {"CP932", "\x87\x40", "\xe2\x91\xa0"},                                          // ①
    {"GB2312", "\xd6\xd0\xce\xc4", "\xe4\xb8\xad\xe6\x96\x87"},                     // 中文
    {"windows-1252", "Caf\xe9 \x80", "Caf\xc3\xa9 \xe2\x82\xac"},                   // Café €
    {"ISO-8859-1", "\xe9\x80", "\xc3\xa9\xc2\x80"},                                 // 0x80 is a control here
    {"UTF-16LE", std::string("A\0\xac\x20", 4), "A\xe2\x82\xac"},
    {"Shift_JIS", "", ""},
    {"Shift_JIS", std::string(10000, '\xb1'), Times(10000, "\xef\xbd\xb1")},  // grows the buffer threefold
};

TEST(EncodingConverterTest, ConvertsToUtf8) {
    for (const Case& c : kCases) {
        EncodingConverter converter{Symbol(c.from), EncodingConverter::UTF8()};
        ASSERT_TRUE(converter.IsGood()) << c.from;
        std::string out = "stale";
        EXPECT_TRUE(converter.Convert(c.input, out, nullptr)) << c.from;
        EXPECT_EQ(c.utf8, out) << c.from;
        // In place, as the parser converts its buffer, and again to see that no state is left over.
        for (int round = 0; round < 2; ++round) {
            std::string buffer = c.input;
            EXPECT_TRUE(converter.Convert(buffer, buffer)) << c.from;
            EXPECT_EQ(c.utf8, buffer) << c.from;
        }
    }
}

// Failures.

TEST(EncodingConverterTest, InvalidInputAndUnknownEncodingsFail) {
    struct Bad {
        const char* from;
        std::string input;
        size_t offset;
        std::string prefixUtf8;  // the input before the offset, converted
    };
    const Bad cases[] = {
        {"Shift_JIS", "ab\x93", 2, "ab"},              // truncated double-byte character
        {"UTF-8", "ab\xff", 2, "ab"},                  // never valid in UTF-8
        {"UTF-8", "a\xe6\x97", 1, "a"},                // truncated sequence
        {"UTF-16LE", std::string("A\0B", 3), 2, "A"},  // odd byte count
        {"GB2312", "\xd6\x20", 0, ""},
        // Values the converter reads but UTF-8 cannot hold: above U+10FFFF, and beyond 21 bits.
        {"UCS-4BE", std::string("\0\0\0A\0\x11\0\0", 8), 4, "A"},
        {"UCS-4BE", std::string("\0\0\0A\x7f\xff\xff\xff", 8), 4, "A"},
        {"UTF-8", "ab\xf4\x90\x80\x80", 2, "ab"},
        {"UTF-8", "a\xfc\x9b\x89\x84\x8a\xb0", 1, "a"},
    };
    for (const Bad& c : cases) {
        EncodingConverter converter{Symbol(c.from), EncodingConverter::UTF8()};
        std::string out;
        EXPECT_FALSE(converter.Convert(c.input, out)) << c.from;
        // The converter is still usable afterwards.
        EXPECT_TRUE(converter.Convert(c.input.substr(0, c.offset), out)) << c.from;
        EXPECT_EQ(c.prefixUtf8, out) << c.from;
    }
    EncodingConverter defaults;
    std::string undefinedIn1252 = "\x81";
    EXPECT_FALSE(defaults.Convert(undefinedIn1252, undefinedIn1252));
    // Not UTF-8 beyond U+10FFFF, so read as windows-1252, where 0x90 is undefined.
    std::string beyondUnicode = "\xf4\x90\x80\x80";
    EXPECT_FALSE(defaults.Convert(beyondUnicode, beyondUnicode));
    // An unknown encoding makes a converter that converts nothing.
    for (const char* name : {"no-such-encoding", ""}) {
        EncodingConverter unknown{Symbol(name), EncodingConverter::UTF8()};
        EXPECT_FALSE(unknown.IsGood()) << name;
        std::string out;
        EXPECT_FALSE(unknown.Convert("abc", out)) << name;
    }
}

}  // namespace
