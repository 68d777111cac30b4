#include <string>

#include "BuildFixture.h"
#include "kxg/AppearancePool.h"
#include "kxk/ComponentProxy.h"
#include "kxk/ShapeSource.h"

namespace {

using edtest::EdText;

using BuildStructureTest = edtest::BuildTest;

const double kMillimetre = static_cast<double>(0.001f);

TEST_F(BuildStructureTest, NoRootBuildsNothing) {
    ASSERT_TRUE(Parse(EdText().Type(1, "Geometry").Line("I 0 5 0 0 Loose")));
    EXPECT_FALSE(structure->GetRoot());
    EXPECT_EQ(0u, structure->GetNodesCreated());
    EXPECT_TRUE(structure->GetPropertyGroupsLoaded().empty());
}

// A node's translation is in its parent's unit; length_unit sets only the unit of the children.
TEST_F(BuildStructureTest, UnitChainAcrossThreeLevels) {
    ASSERT_TRUE(Parse(EdText()
                          .Node(1, 0, "Root")
                          .Prop(1, "length_unit", {"CM"})
                          .Node(2, 1, "A")
                          .Prop(2, "location", {"0 0 0 10 0 0"})
                          .Prop(2, "Length_Unit", {"INCH"})
                          .Node(3, 2, "B")
                          .Prop(3, "location", {"0 0 0 10 0 0"})
                          .Node(4, 3, "C")
                          .Prop(4, "location", {"0 0 0 10 0 0"})));
    // Unit factors are single precision: a centimetre is 0.01f metres, an inch 0.0254f.
    EXPECT_EQ(10 * static_cast<double>(0.01f), Instance({0}).GetLocation().GetTranslation().x);
    EXPECT_EQ(10 * static_cast<double>(0.0254f), Instance({0, 0}).GetLocation().GetTranslation().x);
    EXPECT_EQ(10 * kMillimetre, Instance({0, 0, 0}).GetLocation().GetTranslation().x);
}

TEST_F(BuildStructureTest, RootLocationIsComposedIntoEveryChild) {
    ASSERT_TRUE(Parse(EdText()
                          .Node(1, 0, "Root")
                          .Prop(1, "location", {"0 0 90 100 0 0"})
                          .Node(2, 1, "Moved")
                          .Prop(2, "location", {"0 0 0 10 0 0"})
                          .Node(3, 1, "Still")
                          .Node(4, 2, "Grandchild")));
    // (10 mm, 0, 0) turned a quarter about Z and moved 100 mm along X.
    const dg::DPoint3D& moved = Instance({0}).GetLocation().GetTranslation();
    EXPECT_NEAR(0.1, moved.x, 1e-7);
    EXPECT_NEAR(0.01, moved.y, 1e-7);
    EXPECT_TRUE(Instance({1}).HasLocation());
    EXPECT_TRUE(Instance({1}).HasSavedLocation());
    EXPECT_NEAR(0.1, Instance({1}).GetLocation().GetTranslation().x, 1e-7);
    EXPECT_FALSE(Instance({0, 0}).HasLocation());  // only the root hands its location down
}

TEST_F(BuildStructureTest, IdentityLocationConsumedWithoutPlacement) {
    ASSERT_TRUE(Parse(EdText().Node(1, 0, "Root").Node(2, 1, "A").Prop(2, "location", {"0 0 0 0 0 0 0"})));
    EXPECT_FALSE(Instance({0}).HasLocation());
    EXPECT_TRUE(Node({0}).GetProperties().IsEmpty());

    // An identity on the root still makes every child placed.
    ASSERT_TRUE(Parse(EdText().Node(1, 0, "Root").Prop(1, "location", {"0 0 0"}).Node(2, 1, "A")));
    EXPECT_TRUE(Instance({0}).HasLocation());
    EXPECT_EQ(dg::Location::IDENTITY, Instance({0}).GetLocation());
}

TEST_F(BuildStructureTest, RejectedBuilderValuesStayGenericProperties) {
    ASSERT_TRUE(Parse(EdText()
                          .Node(1, 0, "Root")
                          .Node(2, 1, "A")
                          .Prop(2, "location", {"0 0 0 5"})
                          .Prop(2, "color", {"1 0"})
                          .Prop(2, "length_unit", {"mm"})
                          .Prop(2, "__kx_shapesource_index", {"-1"})
                          .Prop(2, "KXCID", {"id"})
                          .Prop(2, "ShapeSource", {"s.shape"})
                          .Prop(2, "BBox", {"0 0 0 1 1 1"})
                          .Prop(2, "location", {"0 0 0 5 0 0"})
                          .Prop(2, "location", {"0 0 0 6 0 0"})));
    EXPECT_EQ((std::vector<std::string>{"location=0 0 0 5", "color=1 0", "length_unit=mm",
                                        "__kx_shapesource_index=-1", "KXCID=id", "ShapeSource=s.shape",
                                        "BBox=0 0 0 1 1 1", "location=0 0 0 6 0 0"}),
              PropertiesOf(Node({0})));
    EXPECT_EQ(5 * kMillimetre, Instance({0}).GetLocation().GetTranslation().x);  // the later accepted one
    EXPECT_FALSE(Node({0}).GetShapeSource());
}

TEST_F(BuildStructureTest, ColourOverridesOnInstancesAndRoot) {
    ASSERT_TRUE(Parse(EdText()
                          .Node(1, 0, "Root")
                          .Prop(1, "Color", {"0 0 1 1"})
                          .Node(2, 1, "Red")
                          .Prop(2, "COLOR", {"1 0 0 0.5"})
                          .Node(3, 1, "Plain")));
    // The root's colour goes to the structure; the value formats are the value readers' tests.
    ASSERT_TRUE(structure->HasRootAppearanceOverride());
    EXPECT_EQ(dg::Color(0, 0, 1, 1), structure->GetRootAppearanceOverride()->GetColor());
    EXPECT_TRUE(structure->IsRootAppearanceOpaque());
    ASSERT_TRUE(Instance({0}).HasAppearanceOverride());
    EXPECT_EQ(dg::Color(1, 0, 0, 0.25f), Instance({0}).GetAppearanceOverride()->GetColor());
    EXPECT_FALSE(Instance({0}).IsAppearanceOpaque());
    EXPECT_FALSE(Instance({1}).HasAppearanceOverride());
}

TEST_F(BuildStructureTest, ShapeSourceBoxIndexAndThumbnail) {
    ASSERT_TRUE(Parse(EdText()
                          .Node(1, 0, "Root")
                          .Prop(1, "shapesource", {"<!dir/!>part.shape"})
                          .Prop(1, "bbox", {"0 0 0 1 2 3 CM"})
                          .Prop(1, "__kx_shapesource_index", {"4"})
                          .Prop(1, "__kx_modelthumbnail", {"thumb.png"})
                          .Node(2, 1, "NoBox")
                          .Prop(2, "shapesource", {"b.shape"})));
    const kxk::ShapeSource& shape = *Root().GetShapeSource();
    EXPECT_EQ(du::Symbol("<!dir/!>part.shape"), shape.GetSource());  // taken as written
    EXPECT_EQ(4u, shape.GetIndex());
    EXPECT_FLOAT_EQ(0.03f, shape.GetBox().max.z);
    const kxk::ShapeSource& thumbnail = *Root().GetThumbnailSource();
    EXPECT_EQ(du::Symbol("thumb.png"), thumbnail.GetSource());
    EXPECT_EQ(dg::FBox::EMPTY, thumbnail.GetBox());
    EXPECT_EQ(0u, thumbnail.GetIndex());
    EXPECT_EQ(dg::FBox::EMPTY, Node({0}).GetShapeSource()->GetBox());
    EXPECT_TRUE(Root().GetProperties().IsEmpty());
}

TEST_F(BuildStructureTest, RenderEnableGivesVisibility) {
    struct Case {
        const char* value;  // null: no property
        int visibility;
        bool notice;
    };
    const Case cases[] = {
        {"0", 3, false}, {"1", 0, true}, {"3", 0, true}, {"5", 0, false}, {nullptr, 0, false}};
    for (const Case& c : cases) {
        EdText text;
        text.Node(1, 0, "Root").Node(2, 1, "A");
        if (c.value) text.Prop(2, "RenderEnable", {c.value});
        traces.Reset();
        ASSERT_TRUE(Parse(text));
        EXPECT_EQ(c.visibility, Instance({0}).GetDefaultVisibility()) << (c.value ? c.value : "none");
        EXPECT_EQ(c.notice, traces.Has("SpecialEdRenderEnable not yet implemented - \n"))
            << (c.value ? c.value : "none");
    }
}

TEST_F(BuildStructureTest, DuplicateComponentIdIsRetriedWithoutId) {
    ASSERT_TRUE(Parse(EdText()
                          .Node(1, 0, "Root")
                          .Node(2, 1, "A")
                          .Prop(2, "kxCid", {"7"})
                          .Node(3, 1, "B")
                          .Prop(3, "kxCid", {"7"})));
    ASSERT_EQ(2u, Root().GetChildren().size());
    EXPECT_EQ(du::Symbol("7"), Instance({0}).GetId());
    EXPECT_EQ(du::Symbol::EMPTY, Instance({1}).GetId());
    EXPECT_TRUE(traces.Has("Warning - suspected duplicate component ID \"7\".\n"));
}

TEST_F(BuildStructureTest, LinkRootMakesAProxyAndNoRoot) {
    ASSERT_TRUE(Parse(EdText().Node(1, 0, "Linked").Line("L 0 1 0 0 other.ed").Node(2, 1, "Below")));
    EXPECT_FALSE(structure->GetRoot());
    EXPECT_EQ(0u, structure->GetSetRootCalls());
    EXPECT_EQ(1u, structure->GetProxiesCreated());
    EXPECT_EQ(0u, structure->GetNodesCreated());

    ASSERT_TRUE(
        Parse(EdText().Node(1, 0, "Root").Node(2, 1, "Motor").Line("L 0 2 0 0 motor.ed").Node(3, 2, "Gone")));
    const auto* proxy = dynamic_cast<const kxk::ComponentProxy*>(Instance({0}).GetComponent().get());
    ASSERT_NE(nullptr, proxy);
    EXPECT_EQ(du::Symbol("motor.ed"), proxy->GetLink());
    EXPECT_EQ(du::Symbol::EMPTY, proxy->GetExtra());
    EXPECT_EQ(1u, structure->GetNodesCreated());
}

// Error paths.

TEST_F(BuildStructureTest, NodeThatCannotBeCreatedIsSkippedWithoutFailing) {
    // The creation limit makes the host refuse the third component.
    ASSERT_TRUE(Parse(EdText().Node(1, 0, "Root").Node(2, 1, "A").Node(3, 1, "B"), 2));
    EXPECT_EQ(1u, Root().GetChildren().size());
    EXPECT_EQ(1u, structure->GetSetRootCalls());
}

TEST_F(BuildStructureTest, NodeBelowItselfIsNotBuiltAgain) {
    // The lookup cache still holds node 1 when the third record asks for a fresh node 1.
    ASSERT_TRUE(Parse("C 1 0 0\nC 2 1 0\nC 1 2 0\nI 0 1 0 0 Root\n"));
    EXPECT_EQ(du::Symbol("Root"), Root().GetName());
    ASSERT_EQ(1u, Root().GetChildren().size());
    EXPECT_TRUE(Node({0}).GetChildren().empty());
    EXPECT_EQ(2u, structure->GetNodesCreated());
    EXPECT_TRUE(traces.Has(
        "Loop in ED file \"/memory/inspected.ed\": node \"Root\" lies below itself and is not built "
        "there again\n"));
}

}  // namespace
