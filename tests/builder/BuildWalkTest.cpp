// The build walk gives back the property records of each node it has built while it goes on: chains
// that copies share must stay whole for every node that has them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ed/reader/Parser.h"
#include "support/EdText.h"
#include "support/ParserInspector.h"
#include "support/StructureWalk.h"

namespace {

// Enough records to fill several of the pool's chunks, so that whole chunks go back during the walk.
constexpr int kPropertiesPerNode = 40000;

void AddProperties(edtest::EdText& text, int node, const std::string& prefix) {
    for (int i = 0; i < kPropertiesPerNode; ++i)
        text.Prop(node, prefix + std::to_string(i % 50), {prefix + "-" + std::to_string(i)});
}

// The properties on the dump's line of each component named `name`, in document order.
std::vector<std::string> PropertiesOf(const std::string& dump, const std::string& name) {
    std::vector<std::string> found;
    for (size_t line = dump.find(" " + name + " @"); line != std::string::npos;
         line = dump.find(" " + name + " @", line + 1)) {
        const size_t begin = dump.find(' ', dump.find(" @", line) + 2) + 2;  // past "@x override"
        found.push_back(dump.substr(begin, dump.find('\n', begin) - begin));
    }
    return found;
}

// The source is built first and its records sit among those of nodes built before the copies: a walk
// that gave back a shared chain would leave the copies reading memory that went back.
TEST(BuildWalkTest, CopiesBuiltAfterTheirSourceStillReadItsWholeChain) {
    edtest::EdText text;
    text.Type(1, "Geometry").Node(1, 0, "Root").Node(2, 1, "Filler A").Node(3, 1, "Source").Node(4, 1, "Filler B");
    AddProperties(text, 2, "a");
    AddProperties(text, 3, "s");
    AddProperties(text, 4, "b");
    text.Line("X 5 1 3").Line("X 6 1 3").Line("I 0 6 0 0 Own").Prop(6, "own", {"1"});
    for (size_t readAheadFrom : {size_t{1} << 30, size_t{0}}) {
        ed::Parser parser;
        ed::ParserInspector inspect(parser);
        inspect.SetReadAheadFrom(readAheadFrom);
        ASSERT_TRUE(inspect.ParseText(text.Str()));
        const std::string dump = edtest::Dump(*inspect.Structure());
        const std::vector<std::string> source = PropertiesOf(dump, "Source");
        ASSERT_EQ(2u, source.size());
        EXPECT_NE(std::string::npos, source[0].find(" s49[Geometry]=s-39999"));
        EXPECT_EQ(source[0], source[1]);
        EXPECT_EQ(std::vector<std::string>{" own[Geometry]=1" + source[0]}, PropertiesOf(dump, "Own"));
    }
}

}  // namespace
