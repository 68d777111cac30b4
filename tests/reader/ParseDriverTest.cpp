#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "support/ParserInspector.h"
#include "support/TraceRecorder.h"

namespace {

// A sink that fails while a record handler traces, so that the exception leaves the handler.
class ThrowingRecorder : public edtest::TraceRecorder {
  public:
    void Write(const dp::TraceMessage& message) override {
        edtest::TraceRecorder::Write(message);
        if (message.text.find("AddCheckout") != std::string::npos) throw std::runtime_error("sink failed");
    }
};

TEST(ParseDriverTest, ExceptionInAHandlerStopsTheParseWithItsLineAndTheParserRunsAgain) {
    ed::Parser parser;
    ed::ParserInspector inspect(parser);
    {
        ThrowingRecorder recorder;
        EXPECT_FALSE(inspect.ParseText("C 1 0 0\nI 0 1 0 0 Root\nT 1 G\nP 5 1 1\nK boom \nM after\n"));
        EXPECT_EQ((std::vector<std::string>{"AddCheckout not yet implemented - K boom \n\n",
                                            "ed parser: Exception parsing line \"K boom \n\"\n"}),
                  recorder.Texts());
        EXPECT_EQ(nullptr, inspect.Structure()->GetRoot().get());
        EXPECT_TRUE(inspect.Structure()->GetPropertyGroupsLoaded().empty());
    }
    inspect.SetStructure(new kxk::Structure);
    EXPECT_TRUE(inspect.ParseText("C 1 0 0\nI 0 1 0 0 Root\n", "/memory/second.ed"));
    EXPECT_STREQ("/memory/second.ed", parser.GetFileName().c_str());
    EXPECT_TRUE(inspect.Structure()->GetRoot());
}

TEST(ParseDriverTest, NoFileNameNoStructureOrNoFileFails) {
    ed::Parser parser;
    ed::ParserInspector inspect(parser);
    edtest::TraceRecorder traces;
    EXPECT_FALSE(parser.Parse(du::Symbol(), inspect.Structure()));
    EXPECT_FALSE(parser.Parse(du::Symbol::EMPTY, inspect.Structure()));
    EXPECT_FALSE(parser.Parse(du::Symbol("/memory/x.ed"), nullptr));
    EXPECT_TRUE(parser.GetFileName().is_null());
    EXPECT_FALSE(inspect.ParseFile("/no/such/folder/x.ed"));
    EXPECT_STREQ("/no/such/folder/x.ed", parser.GetFileName().c_str());
    EXPECT_TRUE(traces.Texts().empty());
}

}  // namespace
