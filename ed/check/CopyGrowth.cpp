#include "ed/check/CopyGrowth.h"

#include <algorithm>
#include <unordered_map>
#include <utility>

namespace ed::check {

namespace {

constexpr uint64_t kBound = uint64_t(1) << 62;

uint64_t Add(uint64_t a, uint64_t b) {
    return std::min(kBound, a + std::min(b, kBound));
}

// The copy step's key: the name as written and the type.
struct Key {
    size_t nameHash;
    int typeId;
    bool operator==(const Key& other) const { return nameHash == other.nameHash && typeId == other.typeId; }
};
struct KeyHash {
    size_t operator()(const Key& key) const { return key.nameHash * 31 + static_cast<size_t>(key.typeId); }
};

// A node's own chain, as the file attached it.
struct OwnChain {
    uint64_t records = 0;
    uint64_t keyed = 0;
    std::vector<std::pair<Key, uint64_t>> keys;  // each key once, with how often it occurs
};

// A state of one node's chain: its own records (the root of a tree of states), or its own records
// followed by what it copied from `base`, the source's state at that moment.
struct State {
    uint32_t node;
    uint32_t base = kNone;
    uint64_t records = 0;
    uint64_t keyed = 0;
    uint64_t hidden = 0;  // the base's keyed records that the node's own keys hide
    std::vector<uint32_t> children;
};

class Counter {
  public:
    Counter(RecordTable<NodeRecord>& nodes, RecordTable<PropertyRecord>& properties)
        : m_nodes(nodes),
          m_properties(properties),
          m_current(nodes.Size(), kNone),
          m_shares(nodes.Size(), kNone) {}

    CopyGrowth Count(const std::vector<uint32_t>& copies) {
        std::vector<uint32_t> merged;
        for (const uint32_t node : copies)
            if (const uint32_t merge = Apply(node); merge != kNone) merged.push_back(merge);
        CountHidden();
        CopyGrowth growth;
        for (const uint32_t state : merged) {
            State& copy = m_states[state];
            const State& base = m_states[copy.base];
            const uint64_t taken = base.keyed - std::min(base.keyed, copy.hidden);
            copy.records = Add(copy.records, taken);
            copy.keyed = Add(copy.keyed, taken);
            growth.made = Add(growth.made, taken);
        }
        for (uint32_t node = 0; node < m_nodes.Size(); ++node) {
            if (m_nodes[node].declLine == 0) continue;
            const uint64_t records = Records(node);
            growth.properties = Add(growth.properties, records);
            if (m_nodes[node].copySource != kNone && records > growth.largest) {
                growth.largest = records;
                growth.largestNode = node;
            }
        }
        return growth;
    }

  private:
    // The state that a copy of `node` sees now; kNone for an empty chain.
    uint32_t Now(uint32_t node) {
        if (m_shares[node] != kNone) return m_current[m_shares[node]];
        if (m_nodes[node].firstProperty == kNone) return kNone;
        if (m_current[node] == kNone) m_current[node] = NewState(node, kNone);
        return m_current[node];
    }

    // One copy, in record order; the state it makes when it merges.
    uint32_t Apply(uint32_t node) {
        // A source that only a lookup made still lends the properties attached to it.
        const uint32_t source = m_nodes[node].copySource;
        if (source == kNone) return kNone;
        const uint32_t base = Now(source);
        if (base == kNone) return kNone;
        if (m_nodes[node].firstProperty == kNone) {
            m_shares[node] = m_states[base].node;  // the chain's owner, whose later states it follows
            return kNone;
        }
        const uint32_t merge = NewState(node, base);
        m_states[base].children.push_back(merge);
        m_current[node] = merge;
        return merge;
    }

    uint32_t NewState(uint32_t node, uint32_t base) {
        const OwnChain& own = Own(node);
        State state{node, base, own.records, own.keyed, 0, {}};
        m_states.push_back(std::move(state));
        return static_cast<uint32_t>(m_states.size() - 1);
    }

    const OwnChain& Own(uint32_t node) {
        auto [found, made] = m_own.try_emplace(node);
        if (!made) return found->second;
        OwnChain& own = found->second;
        std::unordered_map<Key, uint64_t, KeyHash> counts;
        for (uint32_t at = m_nodes[node].firstProperty; at != kNone; at = m_properties[at].next) {
            const PropertyRecord& property = m_properties[at];
            ++own.records;
            if (!property.named || !property.hasValue) continue;
            ++own.keyed;
            ++counts[Key{property.nameHash, property.typeId}];
        }
        own.keys.assign(counts.begin(), counts.end());
        return own;
    }

    // How many of a base's keyed records a merge leaves behind: for each of the copy's own keys, the
    // records of that key in the base, which all come from the nearest state up the tree whose node
    // has the key (a merge never copies a key its node has). One walk of the tree of states, with the
    // owners of each key on the current path on a stack.
    void CountHidden() {
        std::unordered_map<Key, std::vector<uint64_t>, KeyHash> owners;
        struct Visit {
            uint32_t state;
            size_t child;
        };
        std::vector<Visit> path;
        for (uint32_t root = 0; root < m_states.size(); ++root) {
            if (m_states[root].base != kNone) continue;
            path.push_back(Visit{root, 0});
            Enter(root, owners);
            while (!path.empty()) {
                Visit& visit = path.back();
                const State& state = m_states[visit.state];
                if (visit.child == state.children.size()) {
                    for (const auto& key : Own(state.node).keys) owners[key.first].pop_back();
                    path.pop_back();
                    continue;
                }
                const uint32_t child = state.children[visit.child++];
                for (const auto& key : Own(m_states[child].node).keys) {
                    const auto found = owners.find(key.first);
                    if (found != owners.end() && !found->second.empty())
                        m_states[child].hidden = Add(m_states[child].hidden, found->second.back());
                }
                path.push_back(Visit{child, 0});
                Enter(child, owners);
            }
        }
    }

    void Enter(uint32_t state, std::unordered_map<Key, std::vector<uint64_t>, KeyHash>& owners) {
        for (const auto& key : Own(m_states[state].node).keys) owners[key.first].push_back(key.second);
    }

    uint64_t Records(uint32_t node) {
        const uint32_t owner = m_shares[node] != kNone ? m_shares[node] : node;
        if (m_current[owner] != kNone) return m_states[m_current[owner]].records;
        uint64_t records = 0;
        for (uint32_t at = m_nodes[node].firstProperty; at != kNone; at = m_properties[at].next) ++records;
        return records;
    }

    RecordTable<NodeRecord>& m_nodes;
    RecordTable<PropertyRecord>& m_properties;
    std::vector<State> m_states;
    std::vector<uint32_t> m_current;  // by node: its latest state, when a copy has looked at it
    std::vector<uint32_t> m_shares;   // by node: the node whose chain it shares
    std::unordered_map<uint32_t, OwnChain> m_own;
};

}  // namespace

CopyGrowth CountCopyGrowth(RecordTable<NodeRecord>& nodes, RecordTable<PropertyRecord>& properties,
                           const std::vector<uint32_t>& copies) {
    return Counter(nodes, properties).Count(copies);
}

}  // namespace ed::check
