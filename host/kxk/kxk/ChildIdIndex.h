#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "du/Symbol.h"

namespace kxk {

class ComponentInstance;

// The children of one node by their non-empty instance ids. Ids are interned symbols, so a symbol's
// handle identifies its text: the index keys on handles with open addressing, 16 bytes a slot and no
// allocation per child. Entries are never removed; the instances hold their ids, so the handles stay
// valid while the node lives. Not locked (guarded with its node).
class ChildIdIndex {
  public:
    // The instance placed with `id`, or null.
    ComponentInstance* Find(const du::Symbol& id) const;
    // Makes room for one more entry, so that the Insert that follows cannot fail.
    void Reserve();
    // Adds an id that Find does not know.
    void Insert(const du::Symbol& id, ComponentInstance* instance);

  private:
    struct Slot {
        const char* id;  // null for a free slot
        ComponentInstance* instance;
    };
    size_t SlotOf(const char* id) const {
        return static_cast<size_t>((reinterpret_cast<uintptr_t>(id) * 0x9e3779b97f4a7c15ULL) >> 32) &
               (m_slots.size() - 1);
    }

    std::vector<Slot> m_slots;  // a power of two, at most half full; empty until the first id
    size_t m_size = 0;
};

}  // namespace kxk
