#pragma once

#include "du/SmartPtr.h"
#include "du/Symbol.h"
#include "ed/reader/IdTable.h"
#include "ed/reader/Records.h"

namespace kxk {
class ComponentNode;
}  // namespace kxk

namespace ed {

// Every property the build walk left pending on `node` becomes host objects or one host property of
// `componentNode`, under the latter's write lock. Flags are not changed, so two nodes sharing one
// chain through a copy both receive everything on it. A generic property's type name comes from
// `propertyTypes`, where a type no T record declared is entered null. The value of a generic property
// that no other node reaches moves to the host property: nothing reads the record again. Names and
// type names are copied through `names`.
void AddProperties(StructureNode& node, const du::SmartPtr<kxk::ComponentNode>& componentNode,
                   IdTable<du::Symbol>& propertyTypes, du::SymbolCopyBatch& names);

}  // namespace ed
