#pragma once

#include <vector>

#include "ed/reader/Parser.h"

namespace ed {

// Applies the copy records of a read file, one after the other in record order: each copy node takes
// its source's name when it has none and every keyed source property whose key it lacks. The copied
// properties are made in `properties`, which owns them.
void XeroxCopyNodes(const std::vector<StructureNode*>& copyNodes, RecordTable<PropertyInfo>& properties);

}  // namespace ed
