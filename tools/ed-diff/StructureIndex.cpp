#include "StructureIndex.h"

#include <unordered_map>

#include "StructureWalk.h"

namespace eddiff {

namespace {

class Flattener : public edload::StructureVisitor {
  public:
    explicit Flattener(std::vector<IndexEntry>& entries) : m_entries(entries) {}

    void Enter(const edload::WalkStep& step) override {
        const uint32_t parent = m_open.empty() ? kNone : m_open.back();
        m_open.push_back(static_cast<uint32_t>(m_entries.size()));
        m_entries.push_back(IndexEntry{&step.component, step.instance, parent,
                                       static_cast<uint32_t>(step.index), InstanceKey{}});
    }
    void Leave(const edload::WalkStep&) override { m_open.pop_back(); }

  private:
    std::vector<IndexEntry>& m_entries;
    std::vector<uint32_t> m_open;
};

struct SiblingText {
    uint32_t parent;
    const char* text;
    bool byName;
    bool operator==(const SiblingText& other) const {
        return parent == other.parent && text == other.text && byName == other.byName;
    }
};

struct SiblingTextHash {
    size_t operator()(const SiblingText& key) const {
        return std::hash<const void*>()(key.text) ^
               (size_t{key.parent} << 1 | key.byName) * 0x9E3779B97F4A7C15ull;
    }
};

}  // namespace

StructureIndex::StructureIndex(const kxk::Structure& structure) {
    Flattener flattener(m_entries);
    edload::WalkStructure(structure, flattener);
    LinkChildren();
    NumberKeys();
}

void StructureIndex::LinkChildren() {
    m_childStart.assign(m_entries.size() + 1, 0);
    for (const IndexEntry& entry : m_entries)
        if (entry.parent != kNone) ++m_childStart[entry.parent + 1];
    for (size_t i = 1; i < m_childStart.size(); ++i) m_childStart[i] += m_childStart[i - 1];
    m_children.resize(m_childStart.back());
    std::vector<uint32_t> filled(m_childStart.begin(), m_childStart.end() - 1);
    // Walk order puts siblings in order, so appending keeps it.
    for (uint32_t i = 0; i < m_entries.size(); ++i)
        if (m_entries[i].parent != kNone) m_children[filled[m_entries[i].parent]++] = i;
}

// Ids are what a revision keeps stable; an instance without one is told apart by its component's name
// and its turn among the siblings with that name. A repeated id is numbered the same way, so that
// every path names one instance.
void StructureIndex::NumberKeys() {
    std::unordered_map<SiblingText, uint32_t, SiblingTextHash> seen;
    seen.reserve(m_entries.size());
    for (IndexEntry& entry : m_entries) {
        if (!entry.instance) continue;
        const du::Symbol& id = entry.instance->GetId();
        InstanceKey& key = entry.key;
        key.byName = !id.has_text();
        key.text = key.byName ? entry.component->GetName().c_str() : id.c_str();
        key.ordinal = ++seen[SiblingText{entry.parent, key.text, key.byName}];
    }
}

std::string StructureIndex::Path(uint32_t i) const {
    std::vector<uint32_t> chain;
    for (uint32_t at = i; m_entries[at].parent != kNone; at = m_entries[at].parent) chain.push_back(at);
    std::string path;
    for (auto at = chain.rbegin(); at != chain.rend(); ++at) {
        if (!path.empty()) path += '/';
        path += PathStep(m_entries[*at].key);
    }
    return path;
}

std::string PathStep(const InstanceKey& key) {
    std::string step = key.text ? key.text : "";
    if (key.byName || key.ordinal > 1) step += "#" + std::to_string(key.ordinal);
    return step;
}

}  // namespace eddiff
