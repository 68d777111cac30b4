#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "du/RefCounted.h"
#include "du/Symbol.h"
#include "kxg/AppearancePool.h"
#include "kxk/ComponentInstance.h"
#include "kxk/ComponentNode.h"
#include "kxk/Structure.h"

namespace {

using du::SmartPtr;
using du::Symbol;
using AppearanceRef = SmartPtr<kxg::Appearance>;

// Every test leaves the host as it found it: no counted object is leaked, and no pool entry
// outlives its appearance.
class HostObjectsTest : public ::testing::Test {
  protected:
    ~HostObjectsTest() override {
        m_structure = nullptr;
        EXPECT_EQ(m_liveAtStart, du::RefCounted::LiveCount()) << "host objects leaked";
        EXPECT_EQ(m_entriesAtStart, Pool().Size()) << "pool kept entries of released appearances";
    }
    static kxg::AppearancePool& Pool() { return kxg::GetAppearancePool(); }
    static AppearanceRef Get(float r, float g, float b, float a = 1) {
        return Pool().GetAppearanceFromColor(dg::Color(r, g, b, a));
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

    size_t m_liveAtStart = du::RefCounted::LiveCount(), m_entriesAtStart = Pool().Size();
    SmartPtr<kxk::Structure> m_structure{new kxk::Structure(Symbol("top.ed"))};
};

// --- Children and their ids (their order is checked through the loader by the rule files) ---------

TEST_F(HostObjectsTest, RepeatedIdIsRefusedAndEmptyIdsNeverAre) {
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

TEST_F(HostObjectsTest, MillionChildrenWithIds) {
    SmartPtr<kxk::ComponentNode> root = Node("Root"), shared = Node("Leaf");
    SmartPtr<kxk::ComponentInstance> out;
    const int kChildren = 1000000;
    for (int i = 0; i < kChildren; ++i) ASSERT_TRUE(root->AddChild(shared, Symbol(std::to_string(i)), out));
    // Ids placed while the node was narrow and ids placed after it grew are all found (colliding ones
    // too) and refused.
    for (int i = 0; i < kChildren; ++i)
        ASSERT_EQ(root->GetChildren()[i].get(), root->FindChild(Symbol(std::to_string(i)))) << i;
    for (int i : {0, 15, 16, 17, 123456, kChildren - 1})
        EXPECT_FALSE(root->AddChild(shared, Symbol(std::to_string(i)), out)) << i;
    EXPECT_EQ(nullptr, root->FindChild(Symbol("-1")));
}

// --- The appearance pool ------------------------------------------------------------------------

// The pool holds no reference of its own: the last release removes the entry. -0 finds the entry of
// 0, and NaN its own.
TEST_F(HostObjectsTest, OneAppearancePerColourWhileHeld) {
    EXPECT_EQ(1, Get(0.1f, 0.2f, 0.3f)->ReferenceCount());
    EXPECT_EQ(m_entriesAtStart, Pool().Size());
    AppearanceRef base = Get(0.5f, 0.5f, 0.5f, 1);
    EXPECT_EQ(m_entriesAtStart + 1, Pool().Size());
    EXPECT_EQ(base.get(), Get(0.5f, 0.5f, 0.5f, 1).get());
    for (const dg::Color& c : {dg::Color(0.6f, 0.5f, 0.5f, 1), dg::Color(0.5f, 0.6f, 0.5f, 1),
                               dg::Color(0.5f, 0.5f, 0.6f, 1), dg::Color(0.5f, 0.5f, 0.5f, 0.25f)}) {
        AppearanceRef other = Pool().GetAppearanceFromColor(c);
        EXPECT_NE(base.get(), other.get());
        EXPECT_EQ(c, other->GetColor());
    }
    EXPECT_EQ(Get(0, 0, 0).get(), Get(-0.0f, 0, 0).get());
    const float nan = std::numeric_limits<float>::quiet_NaN();
    AppearanceRef a = Get(nan, 0, 0);
    EXPECT_EQ(a.get(), Get(nan, 0, 0).get());
}

// Threads take and drop the same few colours over and over, so lookups keep meeting appearances
// whose count has just reached zero. Nothing may be freed twice, and once the threads are done
// nothing is left beyond the pool's pins.
TEST_F(HostObjectsTest, ConcurrentTakeAndDropNeitherLeaksNorDoubleFrees) {
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < 20000; ++i)
                ASSERT_EQ(Get(float((i + t) % 3), 1, 0).get(), Get(float((i + t) % 3), 1, 0).get());
        });
    for (auto& thread : threads) thread.join();
    EXPECT_LE(Pool().Size(), 3u);
    Pool().ReleasePins();
}

}  // namespace
