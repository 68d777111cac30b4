#include "kxk/ChildIdIndex.h"

namespace kxk {

ComponentInstance* ChildIdIndex::Find(const du::Symbol& id) const {
    if (m_slots.empty()) return nullptr;
    for (size_t i = SlotOf(id.c_str());; i = (i + 1) & (m_slots.size() - 1)) {
        if (m_slots[i].id == id.c_str()) return m_slots[i].instance;
        if (!m_slots[i].id) return nullptr;
    }
}

void ChildIdIndex::Reserve() {
    if ((m_size + 1) * 2 <= m_slots.size()) return;
    std::vector<Slot> old(m_slots.empty() ? 8 : m_slots.size() * 2, Slot{nullptr, nullptr});
    old.swap(m_slots);
    for (const Slot& slot : old) {
        if (!slot.id) continue;
        size_t i = SlotOf(slot.id);
        while (m_slots[i].id) i = (i + 1) & (m_slots.size() - 1);
        m_slots[i] = slot;
    }
}

void ChildIdIndex::Insert(const du::Symbol& id, ComponentInstance* instance) {
    size_t i = SlotOf(id.c_str());
    while (m_slots[i].id) i = (i + 1) & (m_slots.size() - 1);
    m_slots[i] = Slot{id.c_str(), instance};
    ++m_size;
}

}  // namespace kxk
