#include "kxk/Properties.h"

namespace kxk {

bool Properties::AddProperty(const du::Symbol& name, const du::Symbol& typeName, const du::Symbol& value) {
    // Nodes usually carry a handful of properties: one allocation instead of three growth steps.
    if (m_entries.empty()) m_entries.reserve(4);
    m_entries.push_back(Property{name, typeName, value});
    return true;
}

const Property* Properties::Find(const du::Symbol& name) const {
    for (const Property& p : m_entries)
        if (p.name == name) return &p;
    return nullptr;
}

}  // namespace kxk
