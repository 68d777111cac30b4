#pragma once

#include <cstddef>
#include <unordered_map>

#include "JsonValues.h"
#include "dg/Color.h"

namespace edload::gltf {

// The materials of a glTF document, one per distinct colour, in the order first asked for. Colours
// are clamped to glTF's range; an alpha below 1 makes a blended material. Not thread-safe.
class GltfMaterials {
  public:
    // The colour of boxes that no instance on their path colours.
    static constexpr dg::Color kUncoloured{0.8f, 0.8f, 0.8f, 1};

    size_t For(const dg::Color& given);
    size_t Size() const { return m_materials.size(); }
    const json::Json& ToJson() const { return m_materials; }

  private:
    std::unordered_map<dg::Color, size_t> m_indices;
    json::Json m_materials = json::Json::array();
};

}  // namespace edload::gltf
