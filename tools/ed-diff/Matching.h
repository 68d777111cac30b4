#pragma once

#include <cstdint>
#include <vector>

#include "StructureIndex.h"

namespace eddiff {

// Which instance of the old structure each instance of the new one is. The roots are each other;
// an instance is its old namesake when their parents are matched and their keys are equal, or, for
// an id that only one instance has in each structure, wherever the two are (re-parented).
struct Matching {
    std::vector<uint32_t> oldOf;      // per new entry: its old entry, or kNone when it was added
    std::vector<uint32_t> newOf;      // per old entry: its new entry, or kNone when it was removed
    std::vector<uint8_t> reparented;  // per new entry: matched by its id under another parent
};

Matching MatchInstances(const StructureIndex& old, const StructureIndex& now);

// One row of both structures in one tree: the new structure in its order, with each removed instance
// (and what was below it) among its old siblings' rows.
struct MergedRow {
    uint32_t oldEntry;   // kNone for an added instance
    uint32_t newEntry;   // kNone for a removed one
    uint32_t parentRow;  // kNone for the first row
    uint32_t depth;
};

// The rows in depth-first order: a parent before its children. A removed instance goes after the
// new place of the nearest old sibling before it that kept its parent, or first.
std::vector<MergedRow> MergeRows(const StructureIndex& old, const StructureIndex& now,
                                 const Matching& matching);

}  // namespace eddiff
