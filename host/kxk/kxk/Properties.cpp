#include "kxk/Properties.h"

namespace kxk {

bool Properties::AddProperty(const du::Symbol& name, const du::Symbol& typeName, const du::Symbol& value) {
    m_entries.push_back(Property{name, typeName, value});
    return true;
}

const Property* Properties::Find(const du::Symbol& name) const {
    for (const Property& p : m_entries)
        if (p.name == name) return &p;
    return nullptr;
}

}  // namespace kxk
