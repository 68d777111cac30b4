#include "kxk/StructureWalk.h"

#include <vector>

namespace kxk {

void WalkComponents(const Component& top, const std::function<bool(const WalkStep&)>& visitor) {
    // Each frame is a node whose children are being visited and the index of the next child.
    struct Frame {
        const ComponentNode* node;
        size_t next;
    };
    std::vector<Frame> stack;
    if (!visitor(WalkStep{&top, nullptr, 0}) || top.GetKind() != Component::NODE) return;
    stack.push_back(Frame{static_cast<const ComponentNode*>(&top), 0});
    while (!stack.empty()) {
        Frame& frame = stack.back();
        const auto& children = frame.node->GetChildren();
        if (frame.next == children.size()) {
            stack.pop_back();
            continue;
        }
        const ComponentInstance* instance = children[frame.next++].get();
        const Component* component = instance->GetComponent().get();
        size_t depth = stack.size();
        if (visitor(WalkStep{component, instance, depth}) && component->GetKind() == Component::NODE)
            stack.push_back(Frame{static_cast<const ComponentNode*>(component), 0});
    }
}

void WalkStructure(const Structure& structure, const std::function<bool(const WalkStep&)>& visitor) {
    if (structure.GetRoot()) WalkComponents(*structure.GetRoot(), visitor);
}

}  // namespace kxk
