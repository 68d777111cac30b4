#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "du/RefCounted.h"
#include "du/Symbol.h"
#include "kxk/ComponentInstance.h"
#include "kxk/ComponentNode.h"
#include "kxk/Structure.h"
#include "support/StructureWalk.h"

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
    // "0 Root,1 A,2 B,1 C," in walk order.
    static std::string Dump(const kxk::Structure& structure) {
        std::string out;
        edtest::WalkStructure(structure, [&](const edtest::WalkStep& step) {
            out += std::to_string(step.depth) + " " + step.component->GetName().safe_c_str() + ",";
            return true;
        });
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
    EXPECT_EQ("0 Root,1 A,2 B,1 C,", Dump(*m_structure));
}

TEST_F(ComponentTreeTest, RepeatedIdIsRefusedAndEmptyIdsNeverAre) {
    SmartPtr<kxk::ComponentNode> root = Node("Root");
    EXPECT_TRUE(Add(root, "first", Symbol("id7")));
    EXPECT_FALSE(Add(root, "second", Symbol("id7")));
    for (int i = 0; i < 2; ++i) EXPECT_TRUE(Add(root, "empty", Symbol::EMPTY) && Add(root, "null", Symbol()));
    EXPECT_EQ(5u, root->GetChildren().size());
    EXPECT_EQ(Symbol("first"), root->FindChild(Symbol("id7"))->GetComponent()->GetName());
    EXPECT_TRUE(Add(Node("Other"), "first", Symbol("id7"))) << "ids are per parent";
    // A refused child leaves the out pointer empty.
    SmartPtr<kxk::ComponentInstance> out(new kxk::ComponentInstance(Symbol(), Node("stale")));
    EXPECT_FALSE(root->AddChild(Node("again"), Symbol("id7"), out));
    EXPECT_FALSE(out);
    EXPECT_FALSE(root->AddChild(SmartPtr<kxk::Component>(), Symbol(), out));
}

TEST_F(ComponentTreeTest, MillionChildrenWithIds) {
    SmartPtr<kxk::ComponentNode> root = Node("Root");
    SmartPtr<kxk::ComponentNode> shared = Node("Leaf");
    SmartPtr<kxk::ComponentInstance> out;
    const int kChildren = 1000000;
    for (int i = 0; i < kChildren; ++i) ASSERT_TRUE(root->AddChild(shared, Symbol(std::to_string(i)), out));
    EXPECT_EQ(size_t(kChildren), root->GetChildren().size());
    // Ids placed while the node was narrow and ids placed after it grew are all found and refused.
    for (int i : {0, 15, 16, 17, 123456, kChildren - 1}) {
        const Symbol id(std::to_string(i));
        EXPECT_EQ(root->GetChildren()[i].get(), root->FindChild(id)) << i;
        EXPECT_FALSE(root->AddChild(shared, id, out)) << i;
    }
    EXPECT_EQ(nullptr, root->FindChild(Symbol("-1")));
}

}  // namespace
