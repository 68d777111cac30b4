#pragma once

#include <cstddef>

#include "kxk/Component.h"
#include "kxk/ComponentInstance.h"
#include "kxk/Structure.h"

namespace edload {

// One component reached by the walk: the instance that placed it (null for the root), its depth
// (0 for the root) and its position among its siblings.
struct WalkStep {
    const kxk::Component& component;
    const kxk::ComponentInstance* instance;
    size_t depth;
    size_t index;  // among the siblings that the walk reached
};

// Receives the walk's components in document order: Enter before the component's children, Leave
// after them. What the writers of ed-load share, so that none of them recurses.
class StructureVisitor {
  public:
    virtual ~StructureVisitor() = default;
    virtual void Enter(const WalkStep& step) = 0;
    virtual void Leave(const WalkStep& step) { (void)step; }
};

// Walks the structure from its root, depth-first, children in order, on an explicit stack: a chain of
// a million levels costs memory in proportion, not call depth. Nothing when there is no root. Takes no
// lock; walk a finished structure.
void WalkStructure(const kxk::Structure& structure, StructureVisitor& visitor);

}  // namespace edload
