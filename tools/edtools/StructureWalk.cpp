#include "StructureWalk.h"

#include <vector>

#include "kxk/ComponentNode.h"

namespace edload {

namespace {

struct Frame {
    WalkStep step;
    const std::vector<du::SmartPtr<kxk::ComponentInstance>>* children;  // null for a proxy
    size_t nextChild;
    size_t entered;  // children handed to the visitor so far
};

Frame MakeFrame(const kxk::Component& component, const kxk::ComponentInstance* instance, size_t depth,
                size_t index) {
    const std::vector<du::SmartPtr<kxk::ComponentInstance>>* children = nullptr;
    if (component.GetKind() == kxk::Component::NODE)
        children = &static_cast<const kxk::ComponentNode&>(component).GetChildren();
    return Frame{WalkStep{component, instance, depth, index}, children, 0, 0};
}

}  // namespace

void WalkStructure(const kxk::Structure& structure, StructureVisitor& visitor) {
    const du::SmartPtr<kxk::ComponentNode>& root = structure.GetRoot();
    if (!root) return;
    std::vector<Frame> stack;
    stack.push_back(MakeFrame(*root, nullptr, 0, 0));
    visitor.Enter(stack.back().step);
    while (!stack.empty()) {
        Frame& top = stack.back();
        if (!top.children || top.nextChild == top.children->size()) {
            visitor.Leave(top.step);
            stack.pop_back();
            continue;
        }
        const kxk::ComponentInstance* instance = (*top.children)[top.nextChild++].get();
        const kxk::Component* component = instance ? instance->GetComponent().get() : nullptr;
        if (!component) continue;  // nothing to show for an instance without a component
        size_t depth = top.step.depth + 1;
        size_t index = top.entered++;
        stack.push_back(MakeFrame(*component, instance, depth, index));  // `top` is invalid from here
        visitor.Enter(stack.back().step);
    }
}

}  // namespace edload
