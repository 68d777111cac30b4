#pragma once

#include <vector>

#include "du/SmartPtr.h"
#include "du/Symbol.h"

namespace kxk {

// A named group of layers, members in the order given (empty names kept). Immutable; held by
// counted reference.
class LayerGroup : public du::RefCounted {
  public:
    // Always makes a group and returns true.
    static bool Create(du::SmartPtr<LayerGroup>& out, const du::Symbol& name,
                       const std::vector<du::Symbol>& members);

    const du::Symbol& GetName() const { return m_name; }
    const std::vector<du::Symbol>& GetMembers() const { return m_members; }

  private:
    LayerGroup(const du::Symbol& name, const std::vector<du::Symbol>& members)
        : m_name(name), m_members(members) {}

    du::Symbol m_name;
    std::vector<du::Symbol> m_members;
};

}  // namespace kxk
