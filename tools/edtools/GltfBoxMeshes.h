#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "JsonValues.h"

namespace edload::gltf {

// The only geometry the structure gives: bounding boxes. One unit box (-0.5 to 0.5 on each axis,
// a flat normal per face) is stored once in the document's buffer, and each material gets a mesh that
// draws it, since glTF ties the material to the mesh and not to the node. Not thread-safe.
class GltfBoxMeshes {
  public:
    // The mesh that draws the unit box with material `material`.
    size_t MeshFor(size_t material);
    bool Empty() const { return m_meshes.empty(); }

    // Adds the meshes, accessors, buffer views and the buffer to `document`; nothing when no mesh was
    // asked for. The buffer gets `bufferUri`, or none when its bytes travel in a binary chunk.
    void AddTo(json::Json& document, const std::optional<std::string>& bufferUri) const;
    // The bytes of the buffer, little-endian as glTF requires; empty when no mesh was asked for.
    std::string Buffer() const;

  private:
    std::vector<std::optional<size_t>> m_meshByMaterial;
    json::Json m_meshes = json::Json::array();
};

}  // namespace edload::gltf
