#pragma once

#include <optional>
#include <string>

#include "GltfNodes.h"
#include "LoadSession.h"

namespace edload::gltf {

// How a structure becomes a glTF document.
struct GltfOptions {
    enum class Up { kZ, kY };
    Up up = Up::kZ;  // the structure's up axis; glTF's is Y
    NodeOptions nodes;
};

// A loaded structure as one glTF 2.0 document: a scene whose single top node, named after the file,
// turns the structure to glTF's axes and holds the structure's root; a node per component placed by its
// instance; boxes with their meshes, materials and buffer. Built once from a finished structure, then
// read by the container writers. The node array is kept as text, the rest as JSON values.
class GltfDocument {
  public:
    GltfDocument(const LoadResult& result, const GltfOptions& options);

    // The document's JSON text. The buffer, when there is one, gets `bufferUri`, or none when its
    // bytes go in a binary chunk.
    std::string JsonText(const std::optional<std::string>& bufferUri) const;
    // The buffer's bytes; empty when the document has no geometry.
    const std::string& Buffer() const { return m_buffer; }

  private:
    json::Json m_head;  // everything that precedes the node array
    std::string m_nodes;
    json::Json m_scenes;
    GltfMaterials m_materials;
    GltfBoxMeshes m_meshes;
    std::string m_buffer;
};

}  // namespace edload::gltf
