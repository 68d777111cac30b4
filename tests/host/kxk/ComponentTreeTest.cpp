#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "du/RefCounted.h"
#include "du/Symbol.h"
#include "kxg/AppearancePool.h"
#include "kxk/ComponentInstance.h"
#include "kxk/ComponentNode.h"
#include "kxk/DocumentSource.h"
#include "kxk/Illustration3dSource.h"
#include "kxk/LayerGroup.h"
#include "kxk/ShapeSource.h"
#include "kxk/Structure.h"
#include "kxk/StructureWalk.h"
#include "kxk/ViewPoint.h"
#include "kxk/ViewStateSource.h"

namespace {

using du::SmartPtr;
using du::Symbol;

class ComponentTreeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_liveAtStart = du::RefCounted::LiveCount();
        m_structure = new kxk::Structure(Symbol("top.ed"));
    }
    void TearDown() override {
        m_structure = nullptr;
        EXPECT_EQ(m_liveAtStart, du::RefCounted::LiveCount()) << "host objects leaked";
    }

    SmartPtr<kxk::ComponentNode> Node(const char* name) {
        SmartPtr<kxk::ComponentNode> node;
        EXPECT_TRUE(m_structure->CreateComponentNode(Symbol(name), 0, node));
        return node;
    }
    // Adds a child node and returns the instance, empty when refused.
    SmartPtr<kxk::ComponentInstance> Add(const SmartPtr<kxk::ComponentNode>& parent, const char* name,
                                         const Symbol& id) {
        SmartPtr<kxk::ComponentInstance> instance;
        parent->AddChild(Node(name), id, instance);
        return instance;
    }
    // "Root(A(B),C)" with children in order.
    static std::string Dump(const kxk::Structure& structure) {
        std::string out;
        size_t depth = 0;
        kxk::WalkStructure(structure, [&](const kxk::WalkStep& step) {
            for (; depth > step.depth; --depth) out += ")";
            if (step.depth > depth) {
                out += "(";
                depth = step.depth;
            } else if (step.depth > 0 || !out.empty()) {
                out += ",";
            }
            out += step.component->GetName().safe_c_str();
            return true;
        });
        for (; depth > 0; --depth) out += ")";
        return out;
    }

    SmartPtr<kxk::Structure> m_structure;

  private:
    size_t m_liveAtStart = 0;
};

// --- Children and ids ----------------------------------------------------------------------------

TEST_F(ComponentTreeTest, ChildrenKeepTheirOrderAndWalkDepthFirst) {
    SmartPtr<kxk::ComponentNode> root = Node("Root");
    SmartPtr<kxk::ComponentNode> a = Node("A");
    SmartPtr<kxk::ComponentInstance> ia;
    ASSERT_TRUE(root->AddChild(a, Symbol(), ia));
    Add(a, "B", Symbol());
    Add(root, "C", Symbol());
    m_structure->SetRoot(root);
    EXPECT_EQ("Root(A(B),C)", Dump(*m_structure));
    EXPECT_EQ(3u + 1u, m_structure->GetNodesCreated());
}

TEST_F(ComponentTreeTest, RepeatedIdIsRefusedAndEmptyIdsNeverAre) {
    SmartPtr<kxk::ComponentNode> root = Node("Root");
    EXPECT_TRUE(Add(root, "first", Symbol("id7")));
    EXPECT_FALSE(Add(root, "second", Symbol("id7")));
    EXPECT_TRUE(Add(root, "other", Symbol("id8")));
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(Add(root, "empty", Symbol::EMPTY));
        EXPECT_TRUE(Add(root, "null", Symbol()));
    }
    EXPECT_EQ(8u, root->GetChildren().size());
    ASSERT_NE(nullptr, root->FindChild(Symbol("id7")));
    EXPECT_EQ(Symbol("first"), root->FindChild(Symbol("id7"))->GetComponent()->GetName());
    // Ids are per parent.
    SmartPtr<kxk::ComponentNode> other = Node("Other");
    EXPECT_TRUE(Add(other, "first", Symbol("id7")));
}

TEST_F(ComponentTreeTest, RefusedChildLeavesTheOutPointerEmpty) {
    SmartPtr<kxk::ComponentNode> root = Node("Root");
    Add(root, "first", Symbol("x"));
    SmartPtr<kxk::ComponentInstance> out(new kxk::ComponentInstance(Symbol(), Node("stale")));
    EXPECT_FALSE(root->AddChild(Node("second"), Symbol("x"), out));
    EXPECT_FALSE(out);
    EXPECT_FALSE(root->AddChild(SmartPtr<kxk::Component>(), Symbol(), out));
}

TEST_F(ComponentTreeTest, MillionChildrenWithIds) {
    SmartPtr<kxk::ComponentNode> root = Node("Root");
    SmartPtr<kxk::ComponentNode> shared = Node("Leaf");
    SmartPtr<kxk::ComponentInstance> out;
    const int kChildren = 1000000;
    for (int i = 0; i < kChildren; ++i) ASSERT_TRUE(root->AddChild(shared, Symbol(std::to_string(i)), out));
    EXPECT_FALSE(root->AddChild(shared, Symbol("123456"), out));
    EXPECT_EQ(size_t(kChildren), root->GetChildren().size());
}

// --- Deep trees ----------------------------------------------------------------------------------

TEST_F(ComponentTreeTest, MillionLevelChainIsWalkedAndFreedWithoutRecursion) {
    const size_t kDepth = 1000000;
    SmartPtr<kxk::ComponentNode> root = Node("Root");
    m_structure->SetRoot(root);
    SmartPtr<kxk::ComponentNode> parent = root;
    for (size_t i = 0; i < kDepth; ++i) {
        SmartPtr<kxk::ComponentNode> child = Node("n");
        SmartPtr<kxk::ComponentInstance> instance;
        ASSERT_TRUE(parent->AddChild(child, Symbol(), instance));
        instance->SetLocation(dg::Location::IDENTITY, true);
        parent = child;
    }
    parent = nullptr;
    root = nullptr;
    size_t deepest = 0, visited = 0;
    kxk::WalkStructure(*m_structure, [&](const kxk::WalkStep& step) {
        deepest = std::max(deepest, step.depth);
        ++visited;
        return true;
    });
    EXPECT_EQ(kDepth, deepest);
    EXPECT_EQ(kDepth + 1, visited);
    // TearDown drops the structure and checks that every object went.
}

TEST_F(ComponentTreeTest, VisitorCanSkipASubtree) {
    SmartPtr<kxk::ComponentNode> root = Node("Root");
    SmartPtr<kxk::ComponentNode> a = Node("A");
    SmartPtr<kxk::ComponentInstance> ia;
    root->AddChild(a, Symbol(), ia);
    Add(a, "B", Symbol());
    Add(root, "C", Symbol());
    std::vector<std::string> seen;
    kxk::WalkComponents(*root, [&](const kxk::WalkStep& step) {
        seen.push_back(step.component->GetName().safe_c_str());
        return step.component->GetName() != "A";
    });
    EXPECT_EQ((std::vector<std::string>{"Root", "A", "C"}), seen);
}

// --- Instance settings ---------------------------------------------------------------------------

TEST_F(ComponentTreeTest, InstanceRemembersWhatWasSet) {
    SmartPtr<kxk::ComponentInstance> instance = Add(Node("Root"), "A", Symbol("a"));
    EXPECT_FALSE(instance->HasLocation());
    EXPECT_FALSE(instance->HasSavedLocation());
    EXPECT_FALSE(instance->HasAppearanceOverride());
    EXPECT_FALSE(instance->HasDefaultVisibility());

    dg::Location placed(dg::DPoint3D(0.01, 0, 0), dg::Quaternion<float>(), 1);
    instance->SetLocation(placed, true);
    instance->SetSavedLocation(placed);
    instance->SetAppearanceOverride(kxg::GetAppearancePool().GetAppearanceFromColor(dg::Color(1, 0, 0, 1)),
                                    false, true);
    instance->OverrideDefaultVisibility(3);
    EXPECT_EQ(placed, instance->GetLocation());
    EXPECT_TRUE(instance->GetLocationFlag());
    EXPECT_EQ(placed, instance->GetSavedLocation());
    EXPECT_EQ(dg::Color(1, 0, 0, 1), instance->GetAppearanceOverride()->GetColor());
    EXPECT_FALSE(instance->IsAppearanceOpaque());
    EXPECT_TRUE(instance->GetAppearanceFlag());
    EXPECT_EQ(3, instance->GetDefaultVisibility());

    // The saved location keeps its own value whichever of the two moves later.
    const dg::Location moved(dg::DPoint3D(0.02, 0, 0), dg::Quaternion<float>(), 1);
    instance->SetLocation(moved, true);
    EXPECT_EQ(moved, instance->GetLocation());
    EXPECT_EQ(placed, instance->GetSavedLocation());
    instance->SetSavedLocation(moved);
    instance->SetLocation(placed, true);
    EXPECT_EQ(moved, instance->GetSavedLocation());
    const dg::Location negativeZero(dg::DPoint3D(-0.0, 0, 0), dg::Quaternion<float>(), 1);
    instance->SetLocation(dg::Location::IDENTITY, true);
    instance->SetSavedLocation(negativeZero);
    EXPECT_TRUE(std::signbit(instance->GetSavedLocation().GetTranslation().x));
}

// --- Node contents -------------------------------------------------------------------------------

TEST_F(ComponentTreeTest, NodeKeepsSourcesViewsAndPropertiesInOrder) {
    SmartPtr<kxk::ComponentNode> node = Node("Root");
    SmartPtr<kxk::ShapeSource> shape;
    kxk::ShapeSource::Create(shape, Symbol("part.shape"), dg::FBox::EMPTY, 2);
    node->SetShapeSource(shape);
    node->SetThumbnailSource(SmartPtr<kxk::ShapeSource>());
    EXPECT_EQ(2u, node->GetShapeSource()->GetIndex());
    EXPECT_EQ(1u, node->GetThumbnailSourceCalls());

    for (const char* file : {"a.pdf", "b.pdf"}) {
        SmartPtr<kxk::DocumentSource> doc;
        kxk::DocumentSource::Create(doc, Symbol(file), Symbol("shown"), 0);
        node->AddViewableSource(doc);
    }
    SmartPtr<kxk::Illustration3dSource> ill;
    kxk::Illustration3dSource::Create(ill, Symbol("c.ill"), Symbol(), 0, node);
    node->AddViewableSource(ill);
    ASSERT_EQ(3u, node->GetViewableSources().size());
    EXPECT_EQ(Symbol("b.pdf"), node->GetViewableSources()[1]->GetFileName());
    EXPECT_STREQ("illustration3d", node->GetViewableSources()[2]->GetFamilyName());
    EXPECT_EQ(node.get(), ill->GetNode());

    SmartPtr<kxk::ViewStateSource> state;
    kxk::ViewStateSource::Create(state, node.get(), Symbol("Exploded view 1"),
                                 kxk::ViewStateSource::EXPLODE_STATE, Symbol("model.asm"), 3);
    node->AddViewStateSource(state);
    node->AddViewStateSource(SmartPtr<kxk::ViewStateSource>());  // empty pointers are ignored
    SmartPtr<kxk::LayerGroup> group;
    kxk::LayerGroup::Create(group, Symbol("Layers"), {Symbol("L1"), Symbol(""), Symbol("L2")});
    node->AddLayerGroup(group);
    SmartPtr<kxk::ViewPoint> view;
    kxk::ViewPoint::Create(view, Symbol("Front"), dg::Quaternion<float>());
    node->AddViewPoint(view);
    EXPECT_EQ(1u, node->GetViewStateSources().size());
    EXPECT_EQ(3u, node->GetLayerGroups()[0]->GetMembers().size());
    EXPECT_EQ(Symbol("Front"), node->GetViewPoints()[0]->GetName());

    node->GetProperties().AddProperty(Symbol("Weight"), Symbol("Mass"), Symbol("5"));
    node->GetProperties().AddProperty(Symbol("Weight"), Symbol(), Symbol("6"));
    ASSERT_EQ(2u, node->GetProperties().Size());
    EXPECT_EQ(Symbol("6"), node->GetProperties().Get(1).value);
    EXPECT_TRUE(node->GetProperties().Get(1).typeName.is_null());
}

TEST_F(ComponentTreeTest, EveryNodeHasItsOwnLock) {
    SmartPtr<kxk::ComponentNode> a = Node("A"), b = Node("B");
    ASSERT_NE(nullptr, a->GetLock());
    EXPECT_NE(a->GetLock(), b->GetLock());
    a->SetLockHolder(nullptr);
    EXPECT_EQ(nullptr, a->GetLock());
}

// --- Structure records ---------------------------------------------------------------------------

TEST_F(ComponentTreeTest, StructureKeepsEveryReportInOrder) {
    EXPECT_EQ(0, m_structure->GetLoaded());
    for (const Symbol& group : {Symbol("Geometry"), Symbol(), Symbol("Geometry")})
        m_structure->SetPropertyGroupLoaded(group);
    EXPECT_EQ((std::vector<Symbol>{Symbol("Geometry"), Symbol(), Symbol("Geometry")}),
              m_structure->GetPropertyGroupsLoaded());
    m_structure->SetLoaded(2);
    EXPECT_EQ(2, m_structure->GetLoaded());
    Symbol file;
    m_structure->GetFileSource(file);
    EXPECT_EQ(Symbol("top.ed"), file);
}

TEST_F(ComponentTreeTest, CreationLimitMakesFactoriesFail) {
    m_structure->SetCreationLimit(1);
    SmartPtr<kxk::ComponentNode> node;
    EXPECT_TRUE(m_structure->CreateComponentNode(Symbol("a"), 0, node));
    SmartPtr<kxk::ComponentProxy> proxy;
    EXPECT_FALSE(m_structure->CreateComponentProxy(Symbol("b"), Symbol("b.ed"), Symbol::EMPTY, 0, proxy));
    EXPECT_FALSE(proxy);
    EXPECT_FALSE(m_structure->CreateComponentNode(Symbol("c"), 0, node));
    EXPECT_FALSE(node);
}

}  // namespace
