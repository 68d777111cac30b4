#pragma once

#include <cstdint>

#include "du/SmartPtr.h"
#include "du/Symbol.h"
#include "kxk/ViewableSource.h"

namespace kxk {

class ComponentNode;

// A 3D illustration file bound to the node it illustrates. Immutable; held by counted reference.
// The node is not owned: the node owns its sources, and a counted reference back would make a
// cycle that is never freed. The pointer is only valid while that node lives.
class Illustration3dSource : public ViewableSource {
  public:
    // Always makes a source and returns true; `node` may be empty.
    static bool Create(du::SmartPtr<Illustration3dSource>& out, const du::Symbol& fileName,
                       const du::Symbol& displayName, uint8_t flag, const du::SmartPtr<ComponentNode>& node);

    const ComponentNode* GetNode() const { return m_node; }

  private:
    Illustration3dSource(const du::Symbol& fileName, const du::Symbol& displayName, uint8_t flag,
                         const ComponentNode* node)
        : ViewableSource(ILLUSTRATION3D, fileName, displayName, flag), m_node(node) {}

    const ComponentNode* m_node;
};

}  // namespace kxk
