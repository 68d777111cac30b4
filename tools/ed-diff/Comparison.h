#pragma once

#include "Changes.h"
#include "InstanceComparison.h"
#include "StructureIndex.h"

namespace eddiff {

// Matches the two structures, merges their rows and lists what changed, in the merged order.
Comparison CompareStructures(const StructureIndex& old, const StructureIndex& now,
                             const Tolerance& tolerance);

}  // namespace eddiff
