#pragma once

#include "du/SmartPtr.h"
#include "du/Symbol.h"

namespace kxk {
class ComponentNode;
}  // namespace kxk

namespace ed {

struct PropertyInfo;

// Interpreters of the properties whose values are structured text rather than file references. The
// caller (AddProperties) holds the node's write lock.

// "view": one view point per value that reads as sixteen matrix numbers and an optional name. The
// first value decides: false (nothing made) when it does not read, and the property is then copied as
// a generic property; once it has read, later values that do not read are skipped.
bool AddViewPoints(const PropertyInfo& property, const du::SmartPtr<kxk::ComponentNode>& componentNode);

// The four view-state names.
bool IsViewStateName(const du::Symbol& lowerName);

// The four view-state properties: one view state per value, up to the first null value. A value is
// a number (read as record fields are), spaces, a first word up to the next space, spaces, and the
// rest.
void AddViewStateSources(const PropertyInfo& property, const du::SmartPtr<kxk::ComponentNode>& componentNode);

// "__kx_modellayergroup": one layer group per value, up to the first null value.
void AddLayerGroups(const PropertyInfo& property, const du::SmartPtr<kxk::ComponentNode>& componentNode);

}  // namespace ed
