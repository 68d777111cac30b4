#pragma once

#include "BuilderValues.h"

namespace ed {

struct PropertyNames;
struct StructureNode;

// The reading of one value text, made ahead of the walk: whether the text was accepted, and what it
// gave. Readings depend on nothing but their texts, so the walk takes one for its own whenever it
// meets the same text.
template <class Value>
struct Reading {
    const char* text = nullptr;  // null: none made
    bool accepted = false;
    Value value;

    // This reading, if it is of `of`.
    const Reading* Of(const char* of) const { return text == of ? this : nullptr; }
};

// What a second thread read ahead of the walk for one node (ed/builder/Prescanner.h): the first value
// text on the node's chain of each builder property whose reading costs the most.
struct NodePrescan {
    const StructureNode* node = nullptr;
    Reading<LocationValue> location;
    Reading<ColorValue> color;
    Reading<dg::FBox> box;
};

// The property scan of one node visit: finds the first acceptable occurrence of each of the nine
// builder properties on the node's chain, reads it into `settings` (or takes the reading from
// `prescan`) and clears its `pending` flag. Rejected occurrences stay pending for AddProperties.
// `pending` is not tested, so a chain shared by a copy is read in full by every node that has it.
void ScanBuilderProperties(const StructureNode& node, float parentUnitFactor, NodeSettings& settings,
                           const NodePrescan* prescan = nullptr);

// Matches the name against the builder properties once and for all, so that threads may then read
// the match at once.
void MatchBuilderProperties(const PropertyNames& names);

// Fills `prescan` for `node`, reading its chain and texts but changing nothing; allocates nothing.
void PrescanNode(const StructureNode& node, NodePrescan& prescan) noexcept;

}  // namespace ed
