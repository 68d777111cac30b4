#pragma once

#include "du/RefCounted.h"
#include "du/SmartPtr.h"

namespace kxk {

// Releases references without letting destructors recurse: objects that own other objects of the
// same kind (nodes owning instances owning nodes ...) hand their references to a per-thread work
// list instead of dropping them, and the outermost destructor on the thread drops them one at a
// time, so any depth is freed on a flat stack. Per thread; nothing is shared.
//
//   ComponentNode::~ComponentNode() {
//       DeferredRelease scope;
//       for (auto& child : m_children) DeferredRelease::Defer(child);
//       m_children.clear();
//   }   // the outermost scope drains the list here
class DeferredRelease {
  public:
    DeferredRelease();
    ~DeferredRelease();
    DeferredRelease(const DeferredRelease&) = delete;
    DeferredRelease& operator=(const DeferredRelease&) = delete;

    // Takes over one reference to `object` (none when empty); must run inside a DeferredRelease scope.
    static void Defer(du::SmartPtr<du::RefCounted> object);

  private:
    bool m_outermost;
};

}  // namespace kxk
