#pragma once

#include <cstddef>
#include <vector>

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
class Properties {
  public:
    // Always true.
    bool AddProperty(const du::Symbol& name, const du::Symbol& typeName, const du::Symbol& value);

    size_t Size() const { return m_entries.size(); }
    bool IsEmpty() const { return m_entries.empty(); }
    const Property& Get(size_t i) const { return m_entries[i]; }
    const std::vector<Property>& GetAll() const { return m_entries; }
    // The first entry with that name, or null.
    const Property* Find(const du::Symbol& name) const;

  private:
    std::vector<Property> m_entries;
};

}  // namespace kxk
