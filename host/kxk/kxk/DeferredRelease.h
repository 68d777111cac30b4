#pragma once

#include <vector>

#include "du/SmartPtr.h"
#include "du/Symbol.h"

namespace kxk {

class ComponentInstance;

// Releases the instances of destroyed nodes without letting destructors recurse: a node hands its
// children to a per-thread queue instead of dropping them, and the outermost destructor on the thread
// drops them one at a time, so any depth is freed on a flat stack. Per thread; nothing is shared.
//
//   ComponentNode::~ComponentNode() {
//       DeferredRelease scope;
//       DeferredRelease::Defer(m_children);
//   }   // the outermost scope drains the queue here
class DeferredRelease {
  public:
    DeferredRelease();
    ~DeferredRelease();
    DeferredRelease(const DeferredRelease&) = delete;
    DeferredRelease& operator=(const DeferredRelease&) = delete;

    // Takes over the references in `children` and empties it; must run inside a DeferredRelease scope.
    static void Defer(std::vector<du::SmartPtr<ComponentInstance>>& children);
    // While the outermost scope drains, a batch for the names of the properties it releases (they are
    // shared by many nodes); null otherwise.
    static du::SymbolReleaseBatch* NameReleases();

  private:
    // The outermost scope on the thread holds the queue; nested scopes add to it.
    bool m_outermost;
    std::vector<du::SmartPtr<ComponentInstance>> m_queue;
    du::SymbolReleaseBatch* m_names = nullptr;
};

}  // namespace kxk
