// Loads on the host's threads: several at once (half of them with the loader's own reading thread),
// and one whose structure another thread walks under the nodes' read locks while the build fills it.
// All of them share the interned symbols, the property-name constants, the appearance pool and the
// converters' tables.
#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "HostileLoad.h"
#include "dp/ReadWriteLock.h"
#include "kxk/ComponentInstance.h"
#include "kxk/ComponentNode.h"
#include "support/EdText.h"
#include "support/ParserInspector.h"
#include "support/StructureWalk.h"

namespace edtest {
namespace {

// Eight different files: chains, wide nodes, copies, links, colours, view points and legacy encodings,
// so that the loads meet in every shared table.
std::string File(int which) {
    EdText ed;
    ed.Line(which % 2 ? "J windows-1252" : "J Shift_JIS").Type(0, "System").Type(1, "Geometry");
    ed.Type(2, "Documents").Node(1, 0, "file" + std::to_string(which));
    const int nodes = 2000 + 300 * which;
    for (int id = 2; id <= nodes; ++id) {
        const std::string n = std::to_string(id);
        ed.Node(id, which % 2 ? id - 1 : 1 + (id - 2) / 4, "n" + n + (which % 2 ? " \xe9" : " \x83\x41"));
        ed.Prop(id, "color", {std::to_string(id % 7) + " 0.5 " + std::to_string(which % 2) + " 1"}, id % 3);
        ed.Prop(id, "location", {"0 0 90 " + n + " 0 0"}, (id + 1) % 3);
        ed.Prop(id, "Material", {"m" + std::to_string(id % 5)}, (id + 2) % 3);
        if (id % 9 == 0) ed.Prop(id, "view", {"1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1 v" + n}, id % 3);
        if (id % 11 == 0) ed.Prop(id, "document", {"<!docs/!>d" + n + ".pdf"}, (id + 1) % 3);
        // Links and copies only on leaves: a link's children are never built.
        const bool leaf = which % 2 == 0 && id > nodes / 2 + 1;
        if (leaf && id % 13 == 0) ed.Link(id, "/gone/l" + n + ".ed");
        if (leaf && id % 17 == 0) ed.Line("X " + std::to_string(nodes + id) + " " + n + " 2");
    }
    return ed.Str();
}

class ConcurrentLoadTest : public HostileLoadTest {
  protected:
    static constexpr int kFiles = 8;

    // With `readingThread`, the file is read as a large one: its blocks on a thread of their own.
    bool LoadFile(int which, const du::SmartPtr<kxk::Structure>& into, bool readingThread = false) {
        ed::Parser parser;
        if (readingThread) ed::ParserInspector(parser).SetReadAheadFrom(0);
        return parser.Parse(du::Symbol(m_names[which]), into);
    }

    void SetUp() override {
        for (int i = 0; i < kFiles; ++i) {
            m_texts.push_back(File(i));
            m_names.push_back("/memory/concurrent/file" + std::to_string(i) + ".ed");
            du::FileReader::RegisterMemoryFile(m_names[i], m_texts[i].data(), m_texts[i].size());
        }
    }
    void TearDown() override {
        for (const std::string& name : m_names) du::FileReader::UnregisterMemoryFile(name);
        HostileLoadTest::TearDown();
    }

    std::vector<std::string> m_texts, m_names;
};

TEST_F(ConcurrentLoadTest, EightLoadsAtOnceBuildWhatEachBuildsAlone) {
    std::vector<std::string> alone(kFiles);
    for (int i = 0; i < kFiles; ++i) {
        du::SmartPtr<kxk::Structure> structure(new kxk::Structure);
        ASSERT_TRUE(LoadFile(i, structure));
        alone[i] = Dump(*structure);
    }

    for (int round = 0; round < 3; ++round) {
        std::vector<std::string> together(kFiles);
        std::atomic<int> ready{0};
        std::vector<std::thread> threads;
        for (int i = 0; i < kFiles; ++i) {
            threads.emplace_back([&, i] {
                QuietSink quiet;
                du::SmartPtr<kxk::Structure> structure(new kxk::Structure);
                // Start together, so that the loads overlap as much as they can.
                ready.fetch_add(1);
                while (ready.load() < kFiles) std::this_thread::yield();
                together[i] = LoadFile(i, structure, (i + round) % 2) ? Dump(*structure) : "failed";
            });
        }
        for (auto& thread : threads) thread.join();
        for (int i = 0; i < kFiles; ++i) EXPECT_EQ(alone[i], together[i]) << "file " << i;
    }
}

// The nodes a reader sees in one pass, holding one node's read lock at a time while it reads the
// node's children and properties. What it finds wrong adds to `bad`.
size_t WalkUnderReadLocks(const du::SmartPtr<kxk::ComponentNode>& root, size_t& bad) {
    size_t nodes = 0;
    std::vector<du::SmartPtr<kxk::ComponentNode>> pending{root};
    while (!pending.empty()) {
        const du::SmartPtr<kxk::ComponentNode> node = std::move(pending.back());
        pending.pop_back();
        ++nodes;
        dp::ScopedReadLock lock(node->GetLock());
        for (const auto& property : node->GetProperties().GetAll())
            if (property.name == "Material" && property.value.safe_c_str()[0] != 'm') ++bad;
        for (const auto& instance : node->GetChildren()) {
            // The instance's settings are guarded by this node's lock, which the build holds while it
            // places a child.
            dg::DMat44 placement;
            instance->GetLocation().GetXform(placement);
            if (instance->HasAppearanceOverride() && !instance->GetAppearanceOverride()) ++bad;
            const du::SmartPtr<kxk::Component>& child = instance->GetComponent();
            if (child->GetKind() == kxk::Component::NODE)
                pending.push_back(
                    du::SmartPtr<kxk::ComponentNode>(static_cast<kxk::ComponentNode*>(child.get())));
            else
                ++nodes;
        }
    }
    return nodes;
}

TEST_F(ConcurrentLoadTest, ReaderWalksTheStructureWhileTheBuildFillsIt) {
    constexpr int kLoads = 4;
    // The wide tree of file 6 is the largest; each load of it builds a new tree into the structure,
    // and the reader turns to the newest tree as soon as its root is made.
    const du::Symbol rootName("file6");
    du::SmartPtr<kxk::Structure> structure(new kxk::Structure);
    std::mutex rootMutex;
    du::SmartPtr<kxk::ComponentNode> root;
    structure->SetCreationObserver([&](const du::SmartPtr<kxk::Component>& component) {
        if (component->GetName() != rootName) return;
        std::lock_guard<std::mutex> lock(rootMutex);
        root = static_cast<kxk::ComponentNode*>(component.get());
    });
    const auto newestRoot = [&] {
        std::lock_guard<std::mutex> lock(rootMutex);
        return root;
    };
    std::atomic<bool> done{false};
    size_t passes = 0, shrinking = 0, badValues = 0;
    std::thread reader([&] {
        const kxk::ComponentNode* lastTop = nullptr;
        size_t lastNodes = 0;
        while (!done.load()) {
            const du::SmartPtr<kxk::ComponentNode> top = newestRoot();
            if (!top) {
                std::this_thread::yield();
                continue;
            }
            const size_t nodes = WalkUnderReadLocks(top, badValues);
            ++passes;
            // A tree only grows while it is built.
            if (top.get() == lastTop && nodes < lastNodes) ++shrinking;
            lastTop = top.get();
            lastNodes = nodes;
        }
    });
    for (int i = 0; i < kLoads; ++i) EXPECT_TRUE(LoadFile(6, structure));
    done.store(true);
    reader.join();
    structure->SetCreationObserver(nullptr);
    EXPECT_GT(passes, 0u);
    EXPECT_EQ(0u, shrinking);
    EXPECT_EQ(0u, badValues);
    // The last tree, complete: every component the last load made is in it.
    ASSERT_TRUE(root);
    const size_t made = structure->GetNodesCreated() + structure->GetProxiesCreated();
    EXPECT_EQ(made / kLoads, WalkUnderReadLocks(root, badValues));
}

}  // namespace
}  // namespace edtest
