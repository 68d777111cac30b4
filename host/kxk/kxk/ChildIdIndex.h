#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "du/SmartPtr.h"
#include "du/Symbol.h"

namespace kxk {

class ComponentInstance;

// Finds the children of one node by their non-empty instance ids. Without a table it scans the
// children; a node reserves one only once it has kScanLimit children, because most nodes have a few
// and the scan costs them less than a table's memory. Ids are interned symbols, so a symbol's handle
// identifies its text: the table keys on handles with open addressing over the instances themselves,
// 8 bytes a slot. Entries are never removed; the instances hold their ids, so the handles stay valid
// while the node lives. Not locked (guarded with its node).
class ChildIdIndex {
  public:
    using Children = std::vector<du::SmartPtr<ComponentInstance>>;
    static constexpr size_t kScanLimit = 16;

    // The child among `children` (the ones indexed so far) placed with non-empty `id`, or null.
    ComponentInstance* Find(const Children& children, const du::Symbol& id) const;
    // Makes room for one child more than `children`, so that the Insert that follows cannot fail. The
    // first call builds the table from `children`.
    void Reserve(const Children& children);
    // Adds the child just appended; nothing until Reserve has built the table.
    void Insert(ComponentInstance& instance);

  private:
    size_t SlotOf(const char* id) const {
        return static_cast<size_t>((reinterpret_cast<uintptr_t>(id) * 0x9e3779b97f4a7c15ULL) >> 32) &
               (m_slots.size() - 1);
    }

    std::vector<ComponentInstance*> m_slots;  // a power of two, at most half full; null for a free slot
};

}  // namespace kxk
