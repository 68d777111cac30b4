#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ed::check {

// The number of builder properties (length unit, location, colour, component id, shape source, box,
// thumbnail, shape source index, render enable), in the order the build tests a name.
constexpr int kBuilderCount = 9;

// The builder property a property name stands for, by its place in that order, or -1: some are
// matched on the lower-cased name, the others on the name as written.
int BuilderIndex(std::string_view name);

// What the check expects the load to build, for holding the check against the loader: the nodes the
// walk visits, in its order, and how the check accounted for every node it did not visit.
struct BuildOutline {
    struct Node {
        uint32_t depth = 0;
        bool isLink = false;
        bool nameKnown = false;  // `name` is the whole name, as the structure shows it
        std::string name;
        // False when a builder value came before its property's name: the check does not judge it.
        bool builderKnown = true;
        // Per builder property: whether the build takes one from the node's chain, and the
        // occurrences there that stay plain properties.
        bool taken[kBuilderCount] = {};
        bool idKnown = true;        // false when its kxCid was named after its value came
        bool placedWithId = false;  // its instance carries a component id (kxCid)
        uint32_t plainBuilders[kBuilderCount] = {};
    };

    bool stopped = false;     // a line stopped the load: it fails and builds nothing
    bool rootIsLink = false;  // the structure gets no root
    std::vector<Node> visited;
    uint32_t declared = 0;           // nodes a C or X record made
    uint32_t unbuiltReported = 0;    // declared, not visited, and a finding says so
    uint32_t unbuiltUnreported = 0;  // declared, not visited, and no finding says so
};

}  // namespace ed::check
