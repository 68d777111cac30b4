#include "kxk/ChildIdIndex.h"

#include "kxk/ComponentInstance.h"

namespace kxk {

ComponentInstance* ChildIdIndex::Find(const Children& children, const du::Symbol& id) const {
    if (m_slots.empty()) {
        for (const auto& child : children)
            if (child->GetId() == id) return child.get();
        return nullptr;
    }
    for (size_t i = SlotOf(id.c_str());; i = (i + 1) & (m_slots.size() - 1)) {
        if (!m_slots[i]) return nullptr;
        if (m_slots[i]->GetId() == id) return m_slots[i];
    }
}

void ChildIdIndex::Reserve(const Children& children) {
    const size_t wanted = (children.size() + 1) * 2;
    if (wanted <= m_slots.size()) return;
    size_t capacity = m_slots.empty() ? 8 : m_slots.size();
    while (capacity < wanted) capacity *= 2;
    // Rebuilt from the children, which hold every entry the old table had.
    std::vector<ComponentInstance*>(capacity, nullptr).swap(m_slots);
    for (const auto& child : children) Insert(*child);
}

void ChildIdIndex::Insert(ComponentInstance& instance) {
    if (m_slots.empty() || !instance.GetId().has_text()) return;
    size_t i = SlotOf(instance.GetId().c_str());
    while (m_slots[i]) i = (i + 1) & (m_slots.size() - 1);
    m_slots[i] = &instance;
}

}  // namespace kxk
