#pragma once

#include <vector>

#include "Changes.h"
#include "StructureIndex.h"

namespace eddiff {

// How far apart two placements or boxes may be and still be the same: float noise from a re-export
// is no change.
struct Tolerance {
    double metres = 1e-6;
    double degrees = 1e-4;
};

// The differences of one matched pair, in a fixed order: placement, name, kind, link, colour,
// visibility, shape source, thumbnail, box, properties (in the new order, then the removed ones),
// viewables, view points, view states and layer groups. The roots have no instance and compare their
// components only. An instance that turned from node to proxy or back lists kind and link, not the
// node's contents it gained or lost.
std::vector<Detail> CompareInstances(const IndexEntry& old, const IndexEntry& now,
                                     const Tolerance& tolerance);

}  // namespace eddiff
