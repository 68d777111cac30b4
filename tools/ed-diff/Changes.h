#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "JsonValues.h"
#include "Matching.h"

namespace eddiff {

using Json = edload::json::Json;

// One difference of a matched instance, with the old and the new value as the JSON document writes
// them (null where there is none).
struct Detail {
    std::string what;  // "placement", "name", "property", ...
    Json name;         // the property's name; null for the rest
    Json group;        // the property's group; null for the rest and for a property without one
    Json old;
    Json now;
    // For a placement: how far it moved (metres) and turned (degrees).
    double moved = 0;
    double turned = 0;
};

enum class ChangeKind : uint8_t { kAdded, kRemoved, kChanged, kReparented };

const char* ChangeKindName(ChangeKind kind);

// A listed change: an instance added or removed (with what was below it), or a matched one that
// changed or moved to another parent.
struct Change {
    ChangeKind kind;
    uint32_t row;  // in the merged rows
    std::string path;
    std::string oldPath;  // for a re-parented instance
    Json name;            // the component's name, from the new structure unless removed
    std::vector<Detail> details;
};

struct Summary {
    size_t added = 0, removed = 0, changed = 0, reparented = 0, unchanged = 0;
    bool Same() const { return added + removed + changed + reparented == 0; }
};

// What `ed-diff` found: the rows of both structures in one tree and the changes in their order.
struct Comparison {
    std::vector<MergedRow> rows;
    std::vector<uint8_t> rowState;  // a RowState per row
    std::vector<Change> changes;
    Summary summary;
};

// The state of a merged row, as the page marks it. Rows below an added or removed instance are
// not listed as changes of their own.
enum RowState : uint8_t {
    kSame = 0,
    kAdded = 1,
    kAddedBelow = 2,
    kRemoved = 3,
    kRemovedBelow = 4,
    kChanged = 5,
    kReparented = 6,
};

}  // namespace eddiff
