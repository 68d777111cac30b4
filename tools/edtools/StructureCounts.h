#pragma once

#include <array>
#include <cstddef>

#include "kxk/Structure.h"
#include "kxk/ViewableSource.h"

namespace edload {

// What a structure holds, counted over the components that the walk reaches.
struct StructureCounts {
    static constexpr size_t kFamilies = kxk::ViewableSource::FILE + 1;

    size_t nodes = 0;
    size_t proxies = 0;
    size_t instances = 0;
    size_t properties = 0;
    size_t shapeSources = 0;
    size_t thumbnails = 0;
    std::array<size_t, kFamilies> viewables{};  // by kxk::ViewableSource::Family
    size_t viewPoints = 0;
    size_t viewStates = 0;
    size_t layerGroups = 0;

    size_t Components() const { return nodes + proxies; }
    // Shape sources, thumbnails and viewable sources together.
    size_t Sources() const;
};

StructureCounts CountStructure(const kxk::Structure& structure);

}  // namespace edload
