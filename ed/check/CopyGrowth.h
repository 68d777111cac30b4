#pragma once

#include <cstdint>
#include <vector>

#include "ed/check/CheckTables.h"

namespace ed::check {

// What the copy step will give the nodes, counted over the copy graph before it runs. A copy that
// copies a copy that copies a copy... takes over its source's whole chain each time, so a short file
// can make the loader build a number of properties that grows with the square of its records.
struct CopyGrowth {
    uint64_t properties = 0;       // in every declared node's chain once the copies are applied
    uint64_t made = 0;             // property records the copy step makes (a shared chain makes none)
    uint32_t largestNode = kNone;  // the copy node with the longest chain
    uint64_t largest = 0;
};

// Follows the copy step's rules (a copy without properties shares its source's chain as it grows; one
// with properties gets, after its own, the source's keyed records whose key it lacks, as the chain
// stands then) without making a record: time and memory in proportion to the nodes, the property
// records and the copies. Counts stop at a bound far above anything a machine builds, never wrapping.
CopyGrowth CountCopyGrowth(RecordTable<NodeRecord>& nodes, RecordTable<PropertyRecord>& properties,
                           const std::vector<uint32_t>& copies);

}  // namespace ed::check
