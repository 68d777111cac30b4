#pragma once

#include <vector>

#include "du/SmartPtr.h"

namespace kxk {

class ComponentInstance;
class ComponentNode;

// Releases the subtrees of destroyed nodes without letting destructors recurse: a node hands the child
// nodes that only it holds to a per-thread queue instead of destroying them, and the outermost
// destructor on the thread destroys them one at a time, so any depth is freed on a flat stack. The
// queue runs through the nodes themselves, so a release allocates nothing and cannot fail. Per thread;
// nothing is shared.
//
//   ComponentNode::~ComponentNode() {
//       DeferredRelease scope;
//       DeferredRelease::Defer(m_children);
//   }   // the outermost scope drains the queue here
class DeferredRelease {
  public:
    DeferredRelease() noexcept;
    ~DeferredRelease();
    DeferredRelease(const DeferredRelease&) = delete;
    DeferredRelease& operator=(const DeferredRelease&) = delete;

    // Drops the references in `children` and empties it, queueing the nodes that only they held; must
    // run inside a DeferredRelease scope.
    static void Defer(std::vector<du::SmartPtr<ComponentInstance>>& children) noexcept;

  private:
    class Ahead;

    void Queue(ComponentNode* node) noexcept;
    void Drain() noexcept;

    // The outermost scope on the thread holds the queue; nested scopes add to it.
    bool m_outermost;
    // Each holds the reference its instance held.
    ComponentNode* m_head = nullptr;
    ComponentNode* m_tail = nullptr;
};

}  // namespace kxk
