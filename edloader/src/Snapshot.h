#pragma once

// The structure a program reads is a snapshot: at the end of a load the host's structure is copied
// into plain owned data and released. Handles are then plain pointers into memory that never changes,
// reading them takes no lock and no reference count, and they stay valid however the host would later
// treat its own objects (locks, deferred releases, swept symbols). The price is a second copy of the
// structure while the snapshot is made; the host's copy is released right after.

#include <deque>
#include <optional>
#include <vector>

#include "TextPool.h"
#include "edloader/edloader.h"
#include "kxk/Structure.h"

struct edl_instance {
    const char* id = nullptr;
    const edl_component* component = nullptr;
    std::optional<edl_placement> placement;
    std::optional<edl_colour> colour;
    bool visible = true;
};

struct edl_component {
    edl_kind kind = EDL_NODE;
    const char* name = nullptr;
    const char* link = nullptr;
    std::optional<edl_source> shapeSource;
    std::optional<edl_source> thumbnail;
    std::vector<edl_property> properties;
    std::vector<edl_viewable> viewables;
    std::vector<edl_view_point> viewPoints;
    std::vector<edl_view_state> viewStates;
    std::vector<edl_layer_group> layerGroups;
    std::vector<std::vector<const char*>> layerMembers;  // what layerGroups[i].members points into
    std::vector<edl_instance> children;
};

struct edl_structure {
    edloader::TextPool texts;
    // A component placed by several instances is copied once. A deque, so that a component keeps its
    // address while later ones are added.
    std::deque<edl_component> components;
    const edl_component* root = nullptr;
    size_t instanceCount = 0;
};

namespace edloader {

// Copies what the walk of `structure` reaches. Throws std::bad_alloc when memory runs out.
void TakeSnapshot(const kxk::Structure& structure, edl_structure& snapshot);

}  // namespace edloader
