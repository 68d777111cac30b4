#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "support/ParserInspector.h"
#include "support/TraceRecorder.h"

namespace {

using ed::ParserInspector;

// One property as "name[lowerName]:type=value|value"; "-" for no name.
std::string Show(const ed::PropertyInfo* p) {
    std::string text = p->named ? p->name.safe_c_str() : "-";
    text += "[" + std::string(p->lowerName.safe_c_str()) + "]:" + std::to_string(p->typeId) + "=";
    for (size_t i = 0; i < p->values.size(); ++i)
        text += (i ? "|" : "") + std::string(p->values[i].safe_c_str());
    return text;
}

// The properties of node `id`, in chain order, separated by blanks.
std::string Props(const ParserInspector& inspect, int id) {
    const ed::StructureNode* node = inspect.Node(id);
    if (node == nullptr) return "no node";
    std::string text;
    for (const ed::PropertyInfo* p : ParserInspector::Properties(node))
        text += (text.empty() ? "" : " ") + Show(p);
    return text;
}

class PropertyRecordTest : public ::testing::Test {
  protected:
    ed::Parser parser;
    ParserInspector inspect{parser};
    edtest::TraceRecorder traces;
};

TEST_F(PropertyRecordTest, RecordOrderDecidesWhichRecordIsFilled) {
    struct Case {
        const char* text;
        const char* node1;
        const char* node2;
    };
    const Case cases[] = {
        {"P 7 1 3\nN 0 7 0 0 Color\nV 0 7 0 0 red\n", "Color[color]:3=red", ""},
        {"P 7 1 3\nV 0 7 0 0 a b \nV 0 7 0 0 \nN 0 7 0 0 x\nN 0 7 0 0 Y\n", "Y[y]:3=a b |", ""},
        // An N or V record just before its P record is picked up through the cache.
        {"N 0 9 0 0 size\nV 0 9 0 0 4\nP 9 1 1\n", "size[size]:1=4", ""},
        // Any other property lookup in between: P attaches a fresh record.
        {"N 0 9 0 0 size\nP 8 1 1\nP 9 1 1\n", "-[]:1= -[]:1=", ""},
        // P for the id looked up last redefines nothing: the record stays on node 1, its type is overwritten.
        {"P 7 1 3\nP 7 2 4\n", "-[]:4=", ""},
        {"P 7 1 3\nC 2 1 0\nP 7 2 4\n", "-[]:4=", ""},
        {"P 7 1 3\nP 8 1 3\nP 7 2 4\nN 0 7 0 0 late\n", "-[]:3= -[]:3=", "late[late]:4="},
        // Ids below 1 create no property.
        {"P 7 0 3\nN 0 0 0 0 x\nV 0 0 0 0 y\nP 0 1 3\n", "", ""},
    };
    for (const Case& c : cases) {
        ed::Parser fresh;
        ParserInspector look(fresh);
        look.Read(std::string("C 1 0 0\nC 2 1 0\n") + c.text);
        EXPECT_EQ(c.node1, Props(look, 1)) << c.text;
        EXPECT_EQ(c.node2, Props(look, 2)) << c.text;
    }
}

TEST_F(PropertyRecordTest, RedefinitionIsReportedOncePerParserWithTheFileName) {
    inspect.Read("C 1 0 0\nC 2 1 0\nP 7 1 3\nP 7 2 3\nP 8 1 3\nC 3 1 0\nP 8 3 3\n", "/data/pump.ed");
    ASSERT_EQ(1u, traces.Messages().size());
    const dp::TraceMessage m = traces.Messages()[0];
    EXPECT_EQ("Bad property redefinition in ED file \"/data/pump.ed\"\n", m.text);
    EXPECT_EQ(3, m.type);
    EXPECT_EQ("ed/Parser", m.domain + "/" + m.name);
    EXPECT_EQ("", Props(inspect, 2));
    EXPECT_EQ("", Props(inspect, 3));
    EXPECT_FALSE(inspect.Failed());
}

TEST_F(PropertyRecordTest, LowerNameSharesTheSymbolWhenNothingChanges) {
    const std::pair<const char*, const char*> cases[] = {
        {"Color", "color"}, {"color", "color"}, {"", ""}, {"MiXeD_09 \xc3\x84Z", "mixed_09 \xc3\x84z"}};
    for (const auto& c : cases) {
        const du::Symbol name(c.first);
        const du::Symbol lower = ed::LowerName(name);
        EXPECT_STREQ(c.second, lower.c_str());
        EXPECT_EQ(name == du::Symbol(c.second), lower == name) << c.first;
    }
    EXPECT_TRUE(ed::LowerName(du::Symbol()).is_null());
}

TEST_F(PropertyRecordTest, TypesKeepTheLastNameAndReportInChainOrder) {
    inspect.Read("T 3 Material\nT 134 Other\nT 0 Zero\nT 3 Finish\nT 2 \xc3\xa9t\xc3\xa9\n");
    const std::vector<std::pair<int, du::Symbol>> expected = {{2, du::Symbol("\xc3\xa9t\xc3\xa9")},
                                                              {0, du::Symbol("Zero")},
                                                              {3, du::Symbol("Finish")},
                                                              {134, du::Symbol("Other")}};
    EXPECT_EQ(expected, inspect.PropertyTypes());
}

}  // namespace
