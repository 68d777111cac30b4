#pragma once

#include "BuilderValues.h"

namespace ed {

struct StructureNode;

// The property scan of one node visit: finds the first acceptable occurrence of each of the nine
// builder properties on the node's chain, reads it into `settings` and clears its `pending` flag.
// Rejected occurrences stay pending for AddProperties. `pending` is not tested, so a chain shared by
// a copy is read in full by every node that has it.
void ScanBuilderProperties(const StructureNode& node, float parentUnitFactor, NodeSettings& settings);

}  // namespace ed
