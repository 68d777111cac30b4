#pragma once

#include <cstddef>
#include <functional>
#include <vector>

#include "kxk/Component.h"
#include "kxk/ComponentInstance.h"
#include "kxk/ComponentNode.h"
#include "kxk/Structure.h"

namespace edtest {

// One step of a depth-first walk: the component reached, the instance that placed it (null for the
// root) and its depth (0 for the root).
struct WalkStep {
    const kxk::Component* component;
    const kxk::ComponentInstance* instance;
    size_t depth;
};

// Visits the structure from its root, parents before children, children in order, on an explicit
// stack so that any depth is fine. The visitor answers false to skip the subtree of its step. Takes
// no lock: walk a finished structure.
inline void WalkStructure(const kxk::Structure& structure,
                          const std::function<bool(const WalkStep&)>& visitor) {
    struct Frame {
        const kxk::ComponentNode* node;
        size_t next;
    };
    const kxk::ComponentNode* root = structure.GetRoot().get();
    if (!root || !visitor(WalkStep{root, nullptr, 0})) return;
    std::vector<Frame> stack{{root, 0}};
    while (!stack.empty()) {
        Frame& frame = stack.back();
        const auto& children = frame.node->GetChildren();
        if (frame.next == children.size()) {
            stack.pop_back();
            continue;
        }
        const kxk::ComponentInstance* instance = children[frame.next++].get();
        const kxk::Component* component = instance->GetComponent().get();
        if (visitor(WalkStep{component, instance, stack.size()}) &&
            component->GetKind() == kxk::Component::NODE)
            stack.push_back(Frame{static_cast<const kxk::ComponentNode*>(component), 0});
    }
}

}  // namespace edtest
