#pragma once

#include <vector>

#include "ed/reader/RecordTable.h"
#include "ed/reader/Records.h"

namespace ed {

// Applies the copy records of a read file, one after the other in record order: each copy node takes
// its source's name when it has none and every keyed source property whose key it lacks. The copied
// properties are made in `properties`, which owns them. A node with no properties of its own takes its
// source's chain whole; every record that two nodes reach so is then marked `shared`.
void ApplyCopies(const std::vector<StructureNode*>& copyNodes, RecordTable<PropertyInfo>& properties);

}  // namespace ed
