#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "kxk/Component.h"
#include "kxk/ComponentInstance.h"
#include "kxk/Structure.h"

namespace eddiff {

constexpr uint32_t kNone = UINT32_MAX;

// What tells an instance apart from its siblings: its id, or, when the id is empty, its component's
// name; `ordinal` counts the siblings before it with the same text and kind of key, from 1. Texts are
// interned, so two keys compare by pointer, across structures too.
struct InstanceKey {
    const char* text = nullptr;
    uint32_t ordinal = 1;
    bool byName = false;

    bool operator==(const InstanceKey& other) const {
        return text == other.text && ordinal == other.ordinal && byName == other.byName;
    }
};

// One component reached by the walk of a structure, the root first (without an instance).
struct IndexEntry {
    const kxk::Component* component;
    const kxk::ComponentInstance* instance;  // null for the root
    uint32_t parent;                         // kNone for the root
    uint32_t place;                          // among its parent's children
    InstanceKey key;
};

// A finished structure flattened in walk order, with each entry's children, so that the comparison
// can look at either structure from any instance without recursing. Read-only once built; holds
// pointers into the structure, which must outlive it.
class StructureIndex {
  public:
    explicit StructureIndex(const kxk::Structure& structure);

    size_t Size() const { return m_entries.size(); }
    const IndexEntry& operator[](uint32_t i) const { return m_entries[i]; }
    // The children of `i`, in order, as a range of indexes.
    const uint32_t* ChildrenBegin(uint32_t i) const { return m_children.data() + m_childStart[i]; }
    const uint32_t* ChildrenEnd(uint32_t i) const { return m_children.data() + m_childStart[i + 1]; }
    size_t ChildCount(uint32_t i) const { return m_childStart[i + 1] - m_childStart[i]; }
    // The path of ids (or name#n steps) from the root, joined by '/'; "" for the root.
    std::string Path(uint32_t i) const;

  private:
    void LinkChildren();
    void NumberKeys();

    std::vector<IndexEntry> m_entries;
    std::vector<uint32_t> m_childStart;  // Size() + 1 offsets into m_children
    std::vector<uint32_t> m_children;
};

// The step of `key` in a path: the id, with "#n" when a sibling before it has the same id, or the
// name with "#n".
std::string PathStep(const InstanceKey& key);

}  // namespace eddiff
