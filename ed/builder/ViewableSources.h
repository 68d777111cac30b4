#pragma once

#include "du/SmartPtr.h"
#include "du/Symbol.h"

namespace kxk {
class ComponentNode;
}  // namespace kxk

namespace ed {

struct PropertyInfo;

// The file-based viewable families ("document", "drawing", the three "ecad" kinds, "illustration",
// "illustration3d", "image", "oledoc", "file"), recognised by a property's lower-case name.
bool IsViewableSourceName(const du::Symbol& lowerName);

// One viewable source per non-null value of `property`, attached to `componentNode` when the host made
// one. Names are resolved display name first, then file name. The caller holds the node's lock.
void AddViewableSources(const PropertyInfo& property, const du::SmartPtr<kxk::ComponentNode>& componentNode);

}  // namespace ed
