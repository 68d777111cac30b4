#pragma once

#include <cstddef>
#include <cstdint>

#include "du/Symbol.h"

namespace kxk {

// One host property: name, type (group) name and value, all kept as given, nulls included.
struct Property {
    du::Symbol name;
    du::Symbol typeName;
    du::Symbol value;
};

// The ordered property set of a ComponentNode. Duplicate names are kept, in the order added.
// Guarded by its node's lock.
//
// The entries sit in one block of the host's object pool rather than a malloc'd vector: a large
// structure has one such list per node, and the pool's slabs come from regions made present in steps.
class Properties {
  public:
    // Read-only view of the entries, in order.
    class Range {
      public:
        Range(const Property* begin, size_t size) : m_begin(begin), m_size(size) {}
        const Property* begin() const { return m_begin; }
        const Property* end() const { return m_begin + m_size; }
        size_t size() const { return m_size; }
        bool empty() const { return m_size == 0; }
        const Property& operator[](size_t i) const { return m_begin[i]; }

      private:
        const Property* m_begin;
        size_t m_size;
    };

    Properties() = default;
    ~Properties() { Release(nullptr); }
    Properties(const Properties&) = delete;
    Properties& operator=(const Properties&) = delete;

    // Makes room for `count` entries in all, so that adding that many takes no further block: a node's
    // list then takes the bytes it needs. Throws std::bad_alloc, leaving the set as it was.
    void Reserve(size_t count) {
        if (count > m_capacity) Grow(count);
    }
    // Always true. Throws std::bad_alloc, leaving the set as it was.
    bool AddProperty(const du::Symbol& name, const du::Symbol& typeName, const du::Symbol& value);
    // The same, taking the value over without raising its count.
    bool AddProperty(const du::Symbol& name, const du::Symbol& typeName, du::Symbol&& value);
    // The same, taking all three over (copies from a du::SymbolCopyBatch).
    bool AddProperty(du::Symbol&& name, du::Symbol&& typeName, du::Symbol&& value);

    size_t Size() const { return m_size; }
    bool IsEmpty() const { return m_size == 0; }
    const Property& Get(size_t i) const { return m_entries[i]; }
    Range GetAll() const { return Range(m_entries, m_size); }
    // The first entry with that name, or null.
    const Property* Find(const du::Symbol& name) const;

    // Empties the set. With `names`, the names and group names go back through that batch: they are
    // shared by the properties of many nodes, and a structure's release adds their drops up rather
    // than making each an atomic operation on a line all of them touch.
    void Release(du::SymbolReleaseBatch* names) noexcept;

  private:
    void Grow(size_t capacity);

    Property* m_entries = nullptr;
    uint32_t m_size = 0;
    uint32_t m_capacity = 0;
};

}  // namespace kxk
