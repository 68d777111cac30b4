#pragma once

#include "BuilderValues.h"
#include "du/SmartPtr.h"

namespace dg {
class Location;
}  // namespace dg

namespace kxk {
class Component;
class ComponentNode;
class Structure;
}  // namespace kxk

namespace ed {

struct StructureNode;

// The host side of one node visit of the build walk: making the node's component, placing it under
// its parent and configuring the instance. Stateless; the walk calls these in this order.

// A proxy for a link node, else a ComponentNode with its shape and thumbnail sources, which is also
// returned in `componentNode`. Empty when the structure made nothing.
du::SmartPtr<kxk::Component> MakeComponent(kxk::Structure& structure, const StructureNode& node,
                                           const NodeSettings& settings,
                                           du::SmartPtr<kxk::ComponentNode>& componentNode);

// Adds `component` under `parent` with the node's component id (retrying with an empty id when the
// id is refused) and, under the parent's write lock, sets placement, colour and visibility. A non-null
// `parentLocation` is composed into `settings.location`. False when the parent refused the child.
bool PlaceComponent(kxk::ComponentNode& parent, const du::SmartPtr<kxk::Component>& component,
                    NodeSettings& settings, const dg::Location* parentLocation);

// The root's colour becomes the colour override of the whole structure.
void ApplyRootAppearance(kxk::Structure& structure, const NodeSettings& settings);

}  // namespace ed
