#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/ParserInspector.h"
#include "support/TempFolder.h"
#include "support/TraceRecorder.h"

namespace {

using ed::ParserInspector;

// Reads `text`, then names nodes 1 to 9 after their ids so that the dump shows the tree.
std::string ReadTree(ParserInspector& inspect, const std::string& text) {
    std::string names;
    for (char id = '1'; id <= '9'; ++id) names += std::string("I 0 ") + id + " 0 0 " + id + "\n";
    inspect.Read(text + names);
    return ParserInspector::Dump(inspect.Root());
}

class NodeRecordTest : public ::testing::Test {
  protected:
    std::string Tree(const std::string& text) { return ReadTree(inspect, text); }

    ed::Parser parser;
    ParserInspector inspect{parser};
};

TEST_F(NodeRecordTest, TreesFollowTheOneEntryCache) {
    struct Case {
        const char* text;
        const char* tree;
        bool failed = false;
    };
    const Case cases[] = {
        {"C 1 0 0\nC 2 1 0\nC 3 1 0\n", "1(2,3)"},
        {"C 2 1 0\nC 1 0 0\nC 3 1 0\n", "1(2,3)"},
        // Node 3 is created unnamed by its child and found again through the cache.
        {"C 7 3 0\nC 3 1 0\nC 1 0 0\n", "1(3(7))"},
        // A lookup in between: the second C record for 3 gets a fresh record; 7 stays under the old one.
        {"C 1 0 0\nC 7 3 0\nC 9 1 0\nC 3 1 0\n", "1(9,3)"},
        // A placed node is never moved by a later C record for it that the cache answers...
        {"C 1 0 0\nC 2 1 0\nC 3 2 0\nC 2 3 0\n", "1(2(3))"},
        // ...while one that the cache does not answer makes a fresh record; the old one stays unnamed.
        {"C 1 0 0\nC 2 1 0\nC 3 1 0\nC 3 2 0\n", "1(2(3),?)"},
        // Node ids below 1 and ids that wrap negative name nothing.
        {"C 1 0 0\nC 0 1 0\nC 4294967295 1 0\nC 2 1 0\n", "1(2)"},
        // A parent id that wraps negative leaves the node unplaced.
        {"C 1 0 0\nC 2 4294967295 0\n", "1"},
        // A second root stops the read, before node 3 and the names.
        {"C 1 0 0\nC 2 0 0\nC 3 1 0\n", "?", true},
    };
    for (const Case& c : cases) {
        ed::Parser fresh;
        ParserInspector look(fresh);
        EXPECT_EQ(c.tree, ReadTree(look, c.text)) << c.text;
        EXPECT_EQ(c.failed, look.Failed()) << c.text;
    }
}

TEST_F(NodeRecordTest, NamesKeepInnerBlanksAndLaterNamesWin) {
    inspect.Read("C 1 0 0\nI 0 7 0 0   Bolt M6 \nI 0 1 0 0 First\nI 0 1 0 0 Second\nI 0 0 0 0 Nobody\n");
    EXPECT_STREQ("Bolt M6 ", inspect.Node(7)->name.c_str());
    EXPECT_STREQ("Second", inspect.Root()->name.c_str());
    EXPECT_EQ(2u, inspect.NodeCount());
}

// Link records: a missing absolute link is looked for beside the structure's own file.
TEST_F(NodeRecordTest, LinksAreReRootedOnlyWhenMissingAndAbsolute) {
    edtest::TempFolder folder;
    const std::string own = folder.Path() + "/pump.ed";
    const std::string beside = folder.Write("motor.ed", "C 1 0 0\n");
    const std::string existing = folder.Write("sub/gear.ed", "C 1 0 0\n");
    struct Case {
        std::string structureFile;
        std::string link;
        std::string stored;
    };
    const Case cases[] = {
        {own, "/gone/away/motor.ed", beside},
        {own, "C:\\old\\place\\motor.ed", beside},
        {own, "/gone/away/pump.ed", "/gone/away/pump.ed"},
        {own, "motor.ed", "motor.ed"},
        {own, "sub/../motor.ed", "sub/../motor.ed"},
        {own, existing, existing},
        {"pump.ed", "/gone/away/motor.ed", "/gone/away/motor.ed"},
    };
    for (const Case& c : cases) {
        ed::Parser fresh;
        ParserInspector look(fresh);
        look.SetStructure(new kxk::Structure(du::Symbol(c.structureFile)));
        look.Read("C 1 0 0\nL 0 1 0 0 " + c.link + "\nL 0 0 0 0 x.ed\n");
        EXPECT_EQ(c.stored, look.Root()->link.safe_c_str()) << c.link;
        EXPECT_TRUE(look.Root()->isLink);
        EXPECT_EQ(1u, look.NodeCount());
    }
}

// Records that are only reported, and the side effects of S and R.
TEST_F(NodeRecordTest, ReportedRecordsTraceTheirLine) {
    struct Case {
        std::string line;
        std::vector<std::string> traces;
    };
    const Case cases[] = {
        {"A 1\n", {"AddMarkupMode not yet implemented - A 1\n\n"}},
        {"D x.ed\n", {"AddFileName not yet implemented - D x.ed\n\n"}},
        {"E /abs\n", {"AddEDAbsPath not yet implemented - E /abs\n\n"}},
        {"F extra info\n", {"AddExtraInfo not yet implemented - F extra info\n\n"}},
        {"G asp", {"AddGetFileASP not yet implemented - G asp\n"}},
        {"K user 12\n", {"AddCheckout not yet implemented - K user 12\n\n"}},
        {"M key=value\r\n", {"AddMetaParam not yet implemented - M key=value\r\n\n"}},
        {"W query\n", {"AddWusQuery not yet implemented - W query\n\n"}},
        {"U 1 2 3 4 http://host/a b\n", {"AddURLAnchor not yet implemented - U 1 2 3 4 http://host/a b\n"}},
        {"R  other.ed\n",
         {"Got a redirect for other.ed\n", "AddReloadNewED not yet implemented - R  other.ed\n"}},
        {"S tables/anno.ast\n", {"Parser::AddASTTable \"tables/anno.ast\"\n"}},
    };
    for (const Case& c : cases) {
        ed::Parser fresh;
        ParserInspector look(fresh);
        edtest::TraceRecorder traces;
        look.Read(c.line);
        EXPECT_EQ(c.traces, traces.Texts()) << c.line;
        for (const dp::TraceMessage& m : traces.Messages()) {
            EXPECT_EQ("ed", m.domain);
            EXPECT_EQ("Parser", m.name);
            EXPECT_EQ(dp::TraceMessage::kNoTraceType, m.type);
        }
        EXPECT_EQ(0u, look.NodeCount());
    }
}

TEST_F(NodeRecordTest, AnnotationTableGoesToTheStructureAndRedirectIsKept) {
    edtest::TraceRecorder quiet;
    inspect.Read("S tables/anno.ast\nR next.ed\nS second.ast\n");
    EXPECT_EQ((std::vector<du::Symbol>{du::Symbol("tables/anno.ast"), du::Symbol("second.ast")}),
              inspect.Structure()->GetAnnoSetTableFileSources());
    EXPECT_EQ("next.ed", inspect.Redirect());
}

}  // namespace
