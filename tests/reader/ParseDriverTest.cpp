#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "support/ParserInspector.h"
#include "support/TempFolder.h"
#include "support/TraceRecorder.h"

namespace {

using ed::ParserInspector;

class ParseDriverTest : public ::testing::Test {
  protected:
    ed::Parser parser;
    ParserInspector inspect{parser};
    edtest::TraceRecorder traces;
};

TEST_F(ParseDriverTest, EmptyFileAndRealFileWithWindowsLineEndingsSucceed) {
    EXPECT_TRUE(inspect.ParseText(""));
    edtest::TempFolder folder;
    EXPECT_TRUE(inspect.ParseFile(folder.Write("a.ed", "K x\r\nT 1 Geometry\r\nT 2 Other")));
    EXPECT_EQ(std::vector<std::string>{"AddCheckout not yet implemented - K x\r\n\n"}, traces.Texts());
}

TEST_F(ParseDriverTest, MissingFileFailsWithoutTouchingTheStructure) {
    EXPECT_FALSE(inspect.ParseFile("/no/such/folder/x.ed"));
    EXPECT_TRUE(inspect.Failed());
    EXPECT_STREQ("/no/such/folder/x.ed", inspect.FileName().c_str());
    EXPECT_FALSE(inspect.HoldsStructure());
    EXPECT_EQ(nullptr, inspect.Converter());
    EXPECT_TRUE(traces.Texts().empty());
}

TEST_F(ParseDriverTest, NoNameOrNoStructureChangesNothing) {
    EXPECT_FALSE(parser.Parse(du::Symbol(), inspect.Structure()));
    EXPECT_FALSE(parser.Parse(du::Symbol::EMPTY, inspect.Structure()));
    EXPECT_FALSE(parser.Parse(du::Symbol("/memory/x.ed"), nullptr));
    EXPECT_TRUE(inspect.FileName().is_null());
    EXPECT_FALSE(inspect.Failed());
}

// A sink that fails while a record handler traces, so that the exception leaves the handler.
class ThrowingRecorder : public edtest::TraceRecorder {
  public:
    void Write(const dp::TraceMessage& message) override {
        edtest::TraceRecorder::Write(message);
        if (message.text.find("AddCheckout") != std::string::npos) throw std::runtime_error("sink failed");
    }
};

TEST_F(ParseDriverTest, ExceptionInAHandlerStopsTheParseWithItsLine) {
    ThrowingRecorder recorder;
    EXPECT_FALSE(inspect.ParseText("C 1 0 0\nI 0 1 0 0 Root\nT 1 G\nP 5 1 1\nK boom \nM after\n"));
    EXPECT_EQ((std::vector<std::string>{"AddCheckout not yet implemented - K boom \n\n",
                                        "ed parser: Exception parsing line \"K boom \n\"\n"}),
              recorder.Texts());
    EXPECT_EQ(nullptr, inspect.Structure()->GetRoot().get());
    EXPECT_TRUE(inspect.Structure()->GetPropertyGroupsLoaded().empty());
    EXPECT_EQ(0u, inspect.NodeCount());
}

TEST_F(ParseDriverTest, ParseClearsEverythingButTheFileNameAndTheParserCanRunAgain) {
    EXPECT_TRUE(
        inspect.ParseText("C 1 0 0\nI 0 1 0 0 Root\nR next.ed\nP 3 1 1\nT 1 G\n", "/memory/first.ed"));
    EXPECT_EQ(nullptr, inspect.Root());
    EXPECT_EQ(0u, inspect.NodeCount() + inspect.PropertyCount());
    EXPECT_TRUE(inspect.PropertyTypes().empty());
    EXPECT_TRUE(inspect.Redirect().empty());
    EXPECT_FALSE(inspect.HoldsStructure());
    EXPECT_EQ(nullptr, inspect.Converter());
    EXPECT_STREQ("/memory/first.ed", inspect.FileName().c_str());

    inspect.Read("C 1 0 0\n");
    EXPECT_EQ(inspect.Node(1), inspect.Root());
}

// File references with hidden segments.
TEST(NameResolutionTest, FileAndDisplayNames) {
    struct Case {
        const char* value;
        const char* fileName;
        const char* displayName;
    };
    const Case cases[] = {
        {"engine.asm", "engine.asm", ""},
        {"<!/data/models/!>engine.asm", "/data/models/engine.asm", "engine.asm"},
        {"a<!b!>c<!d!>e", "abcde", "ace"},
        {"a<!bc", "a", "a"},
        {"<!!>", "", ""},
        {"a<!>b", "a", "a"},
        {"a!>b<!c!>d", "a!>bcd", "a!>bd"},
        {"<!x!>", "x", ""},
        {"<!a<!b!>c!>", "a<!bc!>", "c!>"},
        {"a<!b!>c<!d", "abc", "ac"},
    };
    ed::Parser parser;
    for (const Case& c : cases) {
        const du::Symbol value(c.value);
        EXPECT_EQ(du::Symbol(c.fileName), parser.GetFileName(value)) << c.value;
        EXPECT_EQ(du::Symbol(c.displayName), parser.GetDisplayName(value)) << c.value;
    }
    EXPECT_EQ(du::Symbol::EMPTY, parser.GetDisplayName(du::Symbol("plain")));
    EXPECT_TRUE(parser.GetFileName(du::Symbol()).is_null());
}

}  // namespace
