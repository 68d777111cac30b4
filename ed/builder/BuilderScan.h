#pragma once

#include "BuilderValues.h"

namespace ed {

struct PropertyNames;
struct StructureNode;

// What a second thread read ahead of the walk for one node (ed/builder/Prescanner.h): the first value
// text on the node's chain of each builder property whose reading costs the most, and what reading
// it gave (a null text: none). Readings depend on nothing but their texts, so the walk takes one for
// its own whenever it meets the same text.
struct NodePrescan {
    const StructureNode* node = nullptr;
    const char* locationText = nullptr;
    bool locationRead = false;
    LocationValue location;
    const char* colorText = nullptr;
    bool colorRead = false;
    ColorValue color;
    const char* boxText = nullptr;
    bool boxRead = false;
    dg::FBox box;
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

// Fills `prescan` for `node`, reading its chain and texts but changing nothing.
void PrescanNode(const StructureNode& node, NodePrescan& prescan);

}  // namespace ed
