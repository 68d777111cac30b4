#include <string>
#include <vector>

#include "BuildFixture.h"
#include "kxk/ShapeSource.h"

namespace {

using edtest::EdText;

class XeroxCopyTest : public edtest::BuildTest {
  protected:
    // Host properties ("name=value") of the root's child with that name.
    std::vector<std::string> PropertiesOfChild(const std::string& name) const {
        for (const auto& instance : Root().GetChildren()) {
            if (instance->GetComponent()->GetName() == du::Symbol(name))
                return PropertiesOf(dynamic_cast<const kxk::ComponentNode&>(*instance->GetComponent()));
        }
        ADD_FAILURE() << "no child " << name;
        return {};
    }
};

// Source node 3 with a colour and a shape source; copy node 7 under the root.
EdText SourceAndCopy() {
    return EdText()
        .Node(1, 0, "Root")
        .Node(3, 1, "Source")
        .Prop(3, "color", {"1 0 0"})
        .Prop(3, "shapesource", {"s.shape"})
        .Line("X 7 1 3");
}

TEST_F(XeroxCopyTest, CopyWithoutPropertiesSharesTheSourceChain) {
    ed::Parser parser;
    ed::ParserInspector inspect(parser);
    inspect.Read(SourceAndCopy().Prop(3, "Weight", {"5"}).Str());
    inspect.Build();
    EXPECT_EQ(inspect.Node(3)->firstProperty, inspect.Node(7)->firstProperty);
    structure = inspect.Structure();
    const kxk::ComponentNode& copy = Node({1});
    EXPECT_EQ(du::Symbol("Source"), copy.GetName());
    EXPECT_EQ(du::Symbol("s.shape"), copy.GetShapeSource()->GetSource());
    EXPECT_EQ(dg::Color(1, 0, 0, 1), Instance({1}).GetAppearanceOverride()->GetColor());
    EXPECT_EQ(std::vector<std::string>{"Weight=5"}, PropertiesOf(copy));
    EXPECT_EQ(PropertiesOf(Node({0})), PropertiesOf(copy));
}

TEST_F(XeroxCopyTest, MergeSkipsSourcePropertiesWithTheNodesNameAndType) {
    struct Case {
        int ownColourType;
        std::vector<std::string> chain;  // the copy's chain after the copy step
        std::vector<std::string> hostProperties;
    };
    const Case cases[] = {
        {1, {"color", "shapesource"}, {}},
        {2, {"color", "color", "shapesource"}, {"color=1 0 0"}},  // the copied colour comes second
    };
    for (const Case& c : cases) {
        ed::Parser parser;
        ed::ParserInspector inspect(parser);
        inspect.Read(SourceAndCopy().Prop(7, "color", {"0 1 0"}, c.ownColourType).Str());
        inspect.Build();
        std::vector<std::string> chain;
        for (const ed::PropertyInfo* p : ed::ParserInspector::Properties(inspect.Node(7)))
            chain.push_back(p->name.c_str());
        EXPECT_EQ(c.chain, chain) << c.ownColourType;
        structure = inspect.Structure();
        EXPECT_EQ(dg::Color(0, 1, 0, 1), Instance({1}).GetAppearanceOverride()->GetColor());  // its own wins
        EXPECT_EQ(du::Symbol("s.shape"), Node({1}).GetShapeSource()->GetSource());
        EXPECT_EQ(c.hostProperties, PropertiesOf(Node({1})));
    }
}

TEST_F(XeroxCopyTest, NameTakenOverOnlyWhenMissingAndChildrenNeverCopied) {
    ASSERT_TRUE(Parse(SourceAndCopy().Node(4, 3, "SourceChild").Line("X 8 1 3").Line("I 0 8 0 0 Named")));
    ASSERT_EQ(3u, Root().GetChildren().size());
    EXPECT_EQ(du::Symbol("Source"), Node({1}).GetName());
    EXPECT_EQ(du::Symbol("Named"), Node({2}).GetName());
    EXPECT_EQ(1u, Node({0}).GetChildren().size());
    EXPECT_TRUE(Node({1}).GetChildren().empty());
    EXPECT_TRUE(Node({2}).GetChildren().empty());
}

// Node 7 (A) copies node 8 (B), node 8 copies node 9 (C), in both record orders.
TEST_F(XeroxCopyTest, CopyOfACopySeesTheSourceAsEarlierCopiesLeftIt) {
    struct Case {
        const char* first;
        const char* second;
        bool aHasOwn;
        std::vector<std::string> a;
    };
    const Case cases[] = {
        {"X 7 1 8", "X 8 1 9", true, {"a=1", "b=2"}},
        {"X 8 1 9", "X 7 1 8", true, {"a=1", "b=2", "c=3"}},
        {"X 7 1 8", "X 8 1 9", false, {"b=2", "c=3"}},  // a shared chain grows with B's merge
        {"X 8 1 9", "X 7 1 8", false, {"b=2", "c=3"}},
    };
    for (const Case& c : cases) {
        EdText text;
        text.Node(1, 0, "Root").Node(9, 1, "C").Prop(9, "c", {"3"}).Line(c.first).Line(c.second);
        text.Line("I 0 7 0 0 A").Line("I 0 8 0 0 B").Prop(8, "b", {"2"});
        if (c.aHasOwn) text.Prop(7, "a", {"1"});
        ASSERT_TRUE(Parse(text)) << c.first;
        EXPECT_EQ(c.a, PropertiesOfChild("A")) << c.first << c.aHasOwn;
        EXPECT_EQ((std::vector<std::string>{"b=2", "c=3"}), PropertiesOfChild("B")) << c.first;
    }
}

TEST_F(XeroxCopyTest, KeysAreTakenOnceSoRepeatedSourceKeysAreAllCopied) {
    ASSERT_TRUE(Parse(EdText()
                          .Node(1, 0, "Root")
                          .Node(3, 1, "Source")
                          .Prop(3, "Weight", {"1"})
                          .Prop(3, "Weight", {"2"})
                          .Prop(3, "weight", {"3"})
                          .Line("X 7 1 3")
                          .Prop(7, "Other", {"0"})));
    EXPECT_EQ((std::vector<std::string>{"Other=0", "Weight=1", "Weight=2", "weight=3"}),
              PropertiesOf(Node({1})));
}

TEST_F(XeroxCopyTest, OwnSourceAndMissingSourceChangeNothing) {
    ASSERT_TRUE(Parse(EdText()
                          .Node(1, 0, "Root")
                          .Line("X 7 1 7")
                          .Line("I 0 7 0 0 Self")
                          .Prop(7, "Weight", {"1"})
                          .Line("X 8 1 0")
                          .Line("I 0 8 0 0 NoSource")
                          .Line("X 9 1 99")));
    EXPECT_EQ(std::vector<std::string>{"Weight=1"}, PropertiesOf(Node({0})));
    EXPECT_EQ(du::Symbol("NoSource"), Node({1}).GetName());
    EXPECT_TRUE(Node({2}).GetName().is_null());
}

}  // namespace
