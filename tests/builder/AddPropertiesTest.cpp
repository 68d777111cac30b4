#include <cmath>
#include <string>
#include <vector>

#include "BuildFixture.h"
#include "kxk/EcadSource.h"
#include "kxk/Illustration3dSource.h"
#include "kxk/LayerGroup.h"
#include "kxk/ViewPoint.h"
#include "kxk/ViewStateSource.h"
#include "kxk/ViewableSource.h"

namespace {

using edtest::EdText;

const char* const kIdentity = "1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1";

class AddPropertiesTest : public edtest::BuildTest {
  protected:
    // Parses a root (node 1) with the given properties added by `props`, and returns the root.
    template <class AddProps>
    const kxk::ComponentNode& RootWith(AddProps props) {
        EdText text;
        text.Node(1, 0, "Root");
        props(text);
        EXPECT_TRUE(Parse(text));
        return Root();
    }
    // Reads `text`, empties value `index` of property `id` (no ED record can write a null value) and
    // builds.
    const kxk::ComponentNode& WithNullValue(const EdText& text, int id, size_t index) {
        inspect.Read(text.Str());
        inspect.Property(id)->values[index] = du::Symbol();
        inspect.Build();
        structure = inspect.Structure();
        return Root();
    }
    static std::vector<std::string> Sources(const kxk::ComponentNode& node) {
        std::vector<std::string> out;
        for (const auto& s : node.GetViewableSources()) {
            std::string text = std::string(s->GetFamilyName()) + ":" + s->GetFileName().safe_c_str() + "|" +
                               s->GetDisplayName().safe_c_str();
            if (const auto* ecad = dynamic_cast<const kxk::EcadSource*>(s.get()))
                text += "#" + std::to_string(ecad->GetEcadType());
            out.push_back(text);
        }
        return out;
    }

    ed::Parser parser;
    ed::ParserInspector inspect{parser};
};

TEST_F(AddPropertiesTest, EachViewableFamilyWithFileAndDisplayName) {
    const auto& root = RootWith([](EdText& t) {
        for (const char* name : {"document", "drawing", "ecad", "ecad_schematic", "ECAD_PCB", "illustration",
                                 "Illustration3d", "image", "oledoc", "file"})
            t.Prop(1, name, {std::string("<!/data/!>") + name});
    });
    EXPECT_EQ((std::vector<std::string>{
                  "document:/data/document|document", "drawing:/data/drawing|drawing",
                  "ecad:/data/ecad|ecad#0", "ecad:/data/ecad_schematic|ecad_schematic#1",
                  "ecad:/data/ECAD_PCB|ECAD_PCB#2", "illustration:/data/illustration|illustration",
                  "illustration3d:/data/Illustration3d|Illustration3d", "image:/data/image|image",
                  "oledoc:/data/oledoc|oledoc", "file:/data/file|file"}),
              Sources(root));
    const auto* illustration =
        dynamic_cast<const kxk::Illustration3dSource*>(root.GetViewableSources()[6].get());
    ASSERT_NE(nullptr, illustration);
    EXPECT_EQ(&root, illustration->GetNode());
    EXPECT_TRUE(root.GetProperties().IsEmpty());
}

TEST_F(AddPropertiesTest, GenericCopyUsesNameAsWrittenTypeNameAndFirstValue) {
    const auto& root = RootWith([](EdText& t) {
        t.Type(1, "Material").Prop(1, "Weight", {"5 kg", "6 kg"}, 1).Prop(1, "Finish", {"matt"}, 5);
        t.Prop(1, "htmldoc", {"a.html"}).Prop(1, "ShapeType", {"solid"}).Prop(1, "Weight", {"7 kg"}, 1);
    });
    EXPECT_EQ(
        (std::vector<std::string>{"Weight:Material=5 kg", "Finish:(null)=matt", "Weight:Material=7 kg"}),
        PropertiesOf(root, true));
    // The undeclared type 5 entered the type table; new buckets go to the front of its chain.
    EXPECT_EQ((std::vector<du::Symbol>{du::Symbol(), du::Symbol("Material")}),
              structure->GetPropertyGroupsLoaded());
}

// Sixteen numbers in the matrix's storage order for a rotation given as a unit quaternion, built the
// textbook way for column vectors and stored transposed (the host multiplies row vectors).
std::string MatrixText(double x, double y, double z, double w) {
    const double r[3][3] = {{1 - 2 * (y * y + z * z), 2 * (x * y - z * w), 2 * (x * z + y * w)},
                            {2 * (x * y + z * w), 1 - 2 * (x * x + z * z), 2 * (y * z - x * w)},
                            {2 * (x * z - y * w), 2 * (y * z + x * w), 1 - 2 * (x * x + y * y)}};
    std::string text;
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 4; ++col) {
            double v = row < 3 && col < 3 ? r[col][row] : (row == col ? 1 : (row == 3 && col == 0 ? 5 : 0));
            text += std::to_string(v) + " ";
        }
    return text;
}

TEST_F(AddPropertiesTest, ViewOrientationIsTheInverseRotation) {
    // 40 degrees about the axis (1, 2, 2) / 3.
    const double half = 20 * 3.14159265358979323846 / 180;
    const double x = std::sin(half) / 3, y = 2 * std::sin(half) / 3, z = y, w = std::cos(half);
    const auto& root = RootWith([&](EdText& t) { t.Prop(1, "View", {MatrixText(x, y, z, w) + "Side"}); });
    ASSERT_EQ(1u, root.GetViewPoints().size());
    const kxk::ViewPoint& view = *root.GetViewPoints()[0];
    EXPECT_EQ(du::Symbol("Side"), view.GetName());
    const dg::Quaternion<float>& q = view.GetOrientation();
    EXPECT_NEAR(-x, q.q0, 1e-5);
    EXPECT_NEAR(-y, q.q1, 1e-5);
    EXPECT_NEAR(-z, q.q2, 1e-5);
    EXPECT_NEAR(w, q.q3, 1e-5);
}

TEST_F(AddPropertiesTest, ViewNamesAndTheFirstValueRule) {
    const std::string good = kIdentity;
    const std::string fifteen = "1 0 0 0 0 1 0 0 0 0 1 0 0 0 0";
    const std::string singular = "0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 1";
    struct Case {
        std::vector<std::string> values;
        std::vector<std::string> views;
        std::vector<std::string> copied;
    };
    const Case cases[] = {
        {{good + " Front"}, {"Front"}, {}},
        {{good + "  Top view  "}, {"Top view  "}, {}},
        {{good}, {""}, {}},
        {{good + "\tBack", fifteen, good + " Left"}, {"Back", "Left"}, {}},
        {{fifteen, good + " Front"}, {}, {"view=" + fifteen}},
        {{singular + " Flat", good}, {}, {"view=" + singular + " Flat"}},
    };
    for (const Case& c : cases) {
        EdText text;
        text.Node(1, 0, "Root").Prop(1, "view", {});
        for (const std::string& v : c.values) text.Line("V 0 1 0 0 " + v);
        ASSERT_TRUE(Parse(text));
        std::vector<std::string> views;
        for (const auto& v : Root().GetViewPoints()) views.push_back(v->GetName().c_str());
        EXPECT_EQ(c.views, views) << c.values[0];
        EXPECT_EQ(c.copied, PropertiesOf(Root())) << c.values[0];
    }
}

TEST_F(AddPropertiesTest, ViewStateValuesSplitIntoNumberWordAndRest) {
    struct Case {
        const char* name;
        const char* value;
        int type;
        unsigned number;
        const char* first;
        const char* second;
    };
    const Case cases[] = {
        {"__kx_modelexplodestate", "3 model.asm Exploded view 1", 1, 3, "model.asm", "Exploded view 1"},
        {"__kx_modelviewstate", "4 a.asm   rest  ", 0, 4, "a.asm", "rest  "},
        {"__KX_ModelAlternateRep", "x12 b.asm c", 2, 12, "b.asm", "c"},
        {"__kx_modelsectioncut", "7  alone", 3, 7, "alone", ""},
        {"__kx_modelsectioncut", "8", 3, 8, "", ""},
    };
    for (const Case& c : cases) {
        const auto& root = RootWith([&](EdText& t) { t.Prop(1, c.name, {c.value}); });
        ASSERT_EQ(1u, root.GetViewStateSources().size()) << c.value;
        const kxk::ViewStateSource& s = *root.GetViewStateSources()[0];
        EXPECT_EQ(c.type, s.GetType()) << c.value;
        EXPECT_EQ(c.number, s.GetNumber()) << c.value;
        EXPECT_EQ(du::Symbol(c.first), s.GetFirst()) << c.value;
        EXPECT_EQ(du::Symbol(c.second), s.GetSecond()) << c.value;
        EXPECT_EQ(&root, s.GetOwner()) << c.value;
        EXPECT_TRUE(root.GetProperties().IsEmpty());
    }
}

TEST_F(AddPropertiesTest, LayerGroupsSplitAtEverySpaceAndStopAtANullValue) {
    const auto& root =
        WithNullValue(EdText()
                          .Node(1, 0, "Root")
                          .Prop(1, "__kx_modellayergroup",
                                {"Layers L1 L2 L3", "Solo", "G L1  L2", "T L1 ", "dropped", "After x"}),
                      1, 4);
    std::vector<std::string> groups;
    for (const auto& g : root.GetLayerGroups()) {
        std::string text = g->GetName().c_str();
        for (const du::Symbol& m : g->GetMembers()) text += "[" + std::string(m.c_str()) + "]";
        groups.push_back(text);
    }
    EXPECT_EQ((std::vector<std::string>{"Layers[L1][L2][L3]", "Solo", "G[L1][][L2]", "T[L1][]"}), groups);
}

TEST_F(AddPropertiesTest, NodesSharingAChainBothReceiveEverything) {
    ASSERT_TRUE(Parse(EdText()
                          .Node(1, 0, "Root")
                          .Node(3, 1, "Source")
                          .Prop(3, "document", {"d.txt"})
                          .Prop(3, "view", {std::string(kIdentity) + " Front"})
                          .Prop(3, "__kx_modelviewstate", {"1 a b"})
                          .Prop(3, "__kx_modellayergroup", {"G L"})
                          .Prop(3, "Weight", {"5"})
                          .Line("X 7 1 3")));
    for (size_t i : {0, 1}) {
        const kxk::ComponentNode& node = Node({i});
        EXPECT_EQ(std::vector<std::string>{"document:d.txt|"}, Sources(node));
        EXPECT_EQ(1u, node.GetViewPoints().size());
        EXPECT_EQ(1u, node.GetViewStateSources().size());
        EXPECT_EQ(1u, node.GetLayerGroups().size());
        EXPECT_EQ(std::vector<std::string>{"Weight=5"}, PropertiesOf(node));
    }
}

}  // namespace
