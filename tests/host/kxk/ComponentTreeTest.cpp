#include <gtest/gtest.h>

#include <string>

#include "du/RefCounted.h"
#include "du/Symbol.h"
#include "kxk/ComponentInstance.h"
#include "kxk/ComponentNode.h"
#include "kxk/Structure.h"

namespace {

using du::SmartPtr;
using du::Symbol;

// Children and their ids; the order of children is checked through the loader by the rule files.
class ComponentTreeTest : public ::testing::Test {
  protected:
    ~ComponentTreeTest() override {
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

    size_t m_liveAtStart = du::RefCounted::LiveCount();
    SmartPtr<kxk::Structure> m_structure{new kxk::Structure(Symbol("top.ed"))};
};

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
    SmartPtr<kxk::ComponentNode> root = Node("Root"), shared = Node("Leaf");
    SmartPtr<kxk::ComponentInstance> out;
    const int kChildren = 1000000;
    for (int i = 0; i < kChildren; ++i) ASSERT_TRUE(root->AddChild(shared, Symbol(std::to_string(i)), out));
    // Ids placed while the node was narrow and ids placed after it grew are all found and refused.
    for (int i : {0, 15, 16, 17, 123456, kChildren - 1}) {
        const Symbol id(std::to_string(i));
        EXPECT_EQ(root->GetChildren().at(i).get(), root->FindChild(id)) << i;
        EXPECT_FALSE(root->AddChild(shared, id, out)) << i;
    }
    EXPECT_EQ(nullptr, root->FindChild(Symbol("-1")));
}

}  // namespace
