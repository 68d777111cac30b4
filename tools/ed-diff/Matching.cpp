#include "Matching.h"

#include <algorithm>
#include <unordered_map>

namespace eddiff {

namespace {

struct ChildKey {
    uint32_t parent;
    InstanceKey key;
    bool operator==(const ChildKey& other) const { return parent == other.parent && key == other.key; }
};

struct ChildKeyHash {
    size_t operator()(const ChildKey& k) const {
        size_t h = std::hash<const void*>()(k.key.text);
        h ^= (size_t{k.parent} << 32 | size_t{k.key.ordinal} << 1 | k.key.byName) * 0x9E3779B97F4A7C15ull;
        return h;
    }
};

// How many instances carry each id, and the last of them.
struct IdCount {
    uint32_t count = 0;
    uint32_t entry = kNone;
};

std::unordered_map<const char*, IdCount> CountIds(const StructureIndex& index) {
    std::unordered_map<const char*, IdCount> ids;
    ids.reserve(index.Size());
    for (uint32_t i = 0; i < index.Size(); ++i) {
        if (index[i].key.byName || !index[i].key.text) continue;
        IdCount& id = ids[index[i].key.text];
        ++id.count;
        id.entry = i;
    }
    return ids;
}

// An old entry that only one instance in each structure carries the id of `entry`; kNone otherwise.
uint32_t UniqueNamesake(const IndexEntry& entry, const std::unordered_map<const char*, IdCount>& newIds,
                        const std::unordered_map<const char*, IdCount>& oldIds) {
    if (entry.key.byName || !entry.key.text) return kNone;
    auto now = newIds.find(entry.key.text);
    auto old = oldIds.find(entry.key.text);
    if (now == newIds.end() || now->second.count != 1 || old == oldIds.end() || old->second.count != 1)
        return kNone;
    return old->second.entry;
}

}  // namespace

Matching MatchInstances(const StructureIndex& old, const StructureIndex& now) {
    Matching matching;
    matching.oldOf.assign(now.Size(), kNone);
    matching.newOf.assign(old.Size(), kNone);
    matching.reparented.assign(now.Size(), 0);
    if (old.Size() == 0 || now.Size() == 0) return matching;

    std::unordered_map<ChildKey, uint32_t, ChildKeyHash> oldChildren;
    oldChildren.reserve(old.Size());
    for (uint32_t i = 1; i < old.Size(); ++i) oldChildren.emplace(ChildKey{old[i].parent, old[i].key}, i);
    const auto oldIds = CountIds(old);
    const auto newIds = CountIds(now);

    matching.oldOf[0] = 0;
    matching.newOf[0] = 0;
    // Walk order: a parent is matched before its children are looked for.
    for (uint32_t i = 1; i < now.Size(); ++i) {
        const IndexEntry& entry = now[i];
        uint32_t found = kNone;
        if (const uint32_t oldParent = matching.oldOf[entry.parent]; oldParent != kNone) {
            auto at = oldChildren.find(ChildKey{oldParent, entry.key});
            if (at != oldChildren.end() && matching.newOf[at->second] == kNone) found = at->second;
        }
        if (found == kNone) {
            found = UniqueNamesake(entry, newIds, oldIds);
            if (found == kNone || matching.newOf[found] != kNone) continue;
            matching.reparented[i] = 1;
        }
        matching.oldOf[i] = found;
        matching.newOf[found] = i;
    }
    return matching;
}

namespace {

// Builds the merged rows on an explicit stack: structures may be chains of a million levels.
class Merger {
  public:
    Merger(const StructureIndex& old, const StructureIndex& now, const Matching& matching)
        : m_old(old), m_now(now), m_matching(matching) {}

    std::vector<MergedRow> Run() {
        if (m_now.Size() > 0)
            Push(m_matching.oldOf[0], 0, kNone);
        else if (m_old.Size() > 0)
            Push(0, kNone, kNone);
        while (!m_stack.empty()) {
            Frame& top = m_stack.back();
            const uint32_t row = top.row;
            if (top.newEntry == kNone) {
                uint32_t child = NextRemovedChild(top.oldEntry, top.nextOld);
                if (child == kNone) {
                    m_stack.pop_back();
                    continue;
                }
                Push(child, kNone, row);
                continue;
            }
            // A removed child goes before the new child at its place.
            if (top.nextRemoved < top.removed.size() && top.removed[top.nextRemoved].first <= top.nextNew) {
                Push(top.removed[top.nextRemoved++].second, kNone, row);
                continue;
            }
            if (top.nextNew < m_now.ChildCount(top.newEntry)) {
                const uint32_t child = m_now.ChildrenBegin(top.newEntry)[top.nextNew++];
                Push(m_matching.oldOf[child], child, row);
                continue;
            }
            m_stack.pop_back();
        }
        return std::move(m_rows);
    }

  private:
    struct Frame {
        uint32_t oldEntry, newEntry, row;
        size_t nextOld = 0, nextNew = 0, nextRemoved = 0;
        std::vector<std::pair<size_t, uint32_t>> removed;  // (new children before it, old entry)
    };

    void Push(uint32_t oldEntry, uint32_t newEntry, uint32_t parentRow) {
        const uint32_t depth = parentRow == kNone ? 0 : m_rows[parentRow].depth + 1;
        m_rows.push_back(MergedRow{oldEntry, newEntry, parentRow, depth});
        Frame frame;
        frame.oldEntry = oldEntry;
        frame.newEntry = newEntry;
        frame.row = static_cast<uint32_t>(m_rows.size() - 1);
        if (newEntry != kNone && oldEntry != kNone) frame.removed = RemovedChildren(oldEntry, newEntry);
        m_stack.push_back(std::move(frame));
    }

    uint32_t NextRemovedChild(uint32_t oldEntry, size_t& next) const {
        const uint32_t* children = m_old.ChildrenBegin(oldEntry);
        while (next < m_old.ChildCount(oldEntry)) {
            const uint32_t child = children[next++];
            if (m_matching.newOf[child] == kNone) return child;
        }
        return kNone;
    }

    // The removed children of `oldEntry`, each with the number of children of `newEntry` it goes after.
    std::vector<std::pair<size_t, uint32_t>> RemovedChildren(uint32_t oldEntry, uint32_t newEntry) const {
        std::vector<std::pair<size_t, uint32_t>> removed;
        size_t after = 0;
        for (const uint32_t* c = m_old.ChildrenBegin(oldEntry); c != m_old.ChildrenEnd(oldEntry); ++c) {
            const uint32_t match = m_matching.newOf[*c];
            if (match == kNone)
                removed.emplace_back(after, *c);
            else if (m_now[match].parent == newEntry)
                after = m_now[match].place + 1;
        }
        std::stable_sort(removed.begin(), removed.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        return removed;
    }

    const StructureIndex& m_old;
    const StructureIndex& m_now;
    const Matching& m_matching;
    std::vector<MergedRow> m_rows;
    std::vector<Frame> m_stack;
};

}  // namespace

std::vector<MergedRow> MergeRows(const StructureIndex& old, const StructureIndex& now,
                                 const Matching& matching) {
    return Merger(old, now, matching).Run();
}

}  // namespace eddiff
