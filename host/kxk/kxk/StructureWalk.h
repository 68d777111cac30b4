#pragma once

#include <cstddef>
#include <functional>

#include "kxk/Component.h"
#include "kxk/ComponentInstance.h"
#include "kxk/Structure.h"

namespace kxk {

// One step of a depth-first walk: the component reached, the instance that placed it (null for the
// root) and its depth (0 for the root).
struct WalkStep {
    const Component* component;
    const ComponentInstance* instance;
    size_t depth;
};

// Visits a component and its subtree depth-first, parents before children, children in order.
// Runs on an explicit stack, so any depth is fine. The visitor answers false to skip the subtree of
// the step it was given. Takes no lock: walk a finished structure, or hold the locks yourself.
void WalkComponents(const Component& top, const std::function<bool(const WalkStep&)>& visitor);
// Walks from the root; nothing when the structure has none.
void WalkStructure(const Structure& structure, const std::function<bool(const WalkStep&)>& visitor);

}  // namespace kxk
