#include "kxk/Properties.h"

#include <cstring>
#include <new>
#include <type_traits>
#include <utility>

#include "du/Env.h"
#include "kxk/MemoryPoolAllocated.h"

namespace kxk {

// A symbol is a single pointer that its moves merely copy, so the entries are moved as bytes.
static_assert(sizeof(Property) == 3 * sizeof(const char*) && std::is_standard_layout_v<Property>);

void Properties::Release(du::SymbolReleaseBatch* names) noexcept {
    if (!m_entries) return;
    // Releasing a symbol touches its text's header, rarely in cache after a large load: start all
    // of them before the first release waits on one.
    for (uint32_t i = 0; i < m_size; ++i) {
        if (!names) {
            m_entries[i].name.PrefetchCount();
            m_entries[i].typeName.PrefetchCount();
        }
        m_entries[i].value.PrefetchCount();
    }
    for (uint32_t i = 0; i < m_size; ++i) {
        if (names) {
            names->Drop(m_entries[i].name);
            names->Drop(m_entries[i].typeName);
        }
        m_entries[i].~Property();
    }
    ReleaseHostBlock(m_entries, m_capacity * sizeof(Property));
    m_entries = nullptr;
    m_size = m_capacity = 0;
}

void Properties::Grow(size_t capacity) {
    if (capacity > UINT32_MAX) du::Env::NoteAndThrow();
    Property* entries = static_cast<Property*>(AllocateHostBlock(capacity * sizeof(Property)));
    if (m_entries) {
        std::memcpy(static_cast<void*>(entries), m_entries, m_size * sizeof(Property));
        ReleaseHostBlock(m_entries, m_capacity * sizeof(Property));
    }
    m_entries = entries;
    m_capacity = static_cast<uint32_t>(capacity);
}

bool Properties::AddProperty(const du::Symbol& name, const du::Symbol& typeName, const du::Symbol& value) {
    return AddProperty(name, typeName, du::Symbol(value));
}

bool Properties::AddProperty(const du::Symbol& name, const du::Symbol& typeName, du::Symbol&& value) {
    return AddProperty(du::Symbol(name), du::Symbol(typeName), std::move(value));
}

bool Properties::AddProperty(du::Symbol&& name, du::Symbol&& typeName, du::Symbol&& value) {
    // Nodes usually carry a handful of properties: one block instead of three growth steps.
    if (m_size == m_capacity) Grow(m_capacity ? size_t(m_capacity) * 2 : 4);
    new (&m_entries[m_size]) Property{std::move(name), std::move(typeName), std::move(value)};
    ++m_size;
    return true;
}

const Property* Properties::Find(const du::Symbol& name) const {
    for (const Property& p : GetAll())
        if (p.name == name) return &p;
    return nullptr;
}

}  // namespace kxk
