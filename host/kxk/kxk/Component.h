#pragma once

#include "du/RefCounted.h"
#include "du/Symbol.h"
#include "kxk/MemoryPoolAllocated.h"

namespace kxk {

// A reusable part of a product structure: a ComponentNode (with children, sources and properties)
// or a ComponentProxy (a link to another structure file). Placed under a parent through a
// ComponentInstance; held by counted reference. The name is fixed at creation.
class Component : public MemoryPoolAllocated, public du::RefCounted {
  public:
    enum Kind { NODE, PROXY };

    Kind GetKind() const { return m_kind; }
    const du::Symbol& GetName() const { return m_name; }

  protected:
    Component(Kind kind, const du::Symbol& name) : m_kind(kind), m_name(name) {}

  private:
    Kind m_kind;
    du::Symbol m_name;
};

}  // namespace kxk
