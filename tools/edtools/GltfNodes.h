#pragma once

#include <cstddef>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "GltfBoxMeshes.h"
#include "GltfMaterials.h"
#include "StructureWalk.h"
#include "dg/Color.h"

namespace edload::gltf {

// What goes into the node array beside the structure itself.
struct NodeOptions {
    bool boxes = true;         // a box for every component whose shape source has a box
    bool visibleOnly = false;  // leave out instances hidden by default, with everything below them
};

// Turns the walked structure into glTF's flat node array, streamed to `out` as JSON text while the walk
// goes, so that a structure of any size costs memory in proportion to its depth and no recursion. A
// node is written when the walk leaves it, once its children have their indices, so children come
// before their parents; nodes are separated by commas. Boxes take their meshes and materials from the
// collections given. Not thread-safe.
class GltfNodes : public StructureVisitor {
  public:
    // `rootColor` is the structure's colour override, if it has one.
    GltfNodes(std::ostream& out, const NodeOptions& options, std::optional<dg::Color> rootColor,
              GltfMaterials& materials, GltfBoxMeshes& meshes);

    void Enter(const WalkStep& step) override;
    void Leave(const WalkStep& step) override;

    // Adds a node above everything written so far and returns its index; `node` gets the root's
    // index as its only child, when there is a root.
    size_t AddTop(json::Json node);

    size_t Count() const { return m_count; }

  private:
    struct Pending {
        std::vector<size_t> children;
        std::optional<dg::Color> color;  // the nearest override on the path, for boxes
    };

    // `extras` is the text of the node's extras, empty for none.
    size_t Write(const json::Json& node, const std::string& extras = std::string());
    std::optional<size_t> BoxNode(const WalkStep& step, const std::optional<dg::Color>& color);

    NodeOptions m_options;
    std::optional<dg::Color> m_rootColor;
    GltfMaterials& m_materials;
    GltfBoxMeshes& m_meshes;
    std::vector<Pending> m_pending;    // one per component entered and not yet left
    std::optional<size_t> m_skipping;  // depth of the hidden instance whose subtree is left out
    std::optional<size_t> m_root;
    std::ostream& m_out;
    size_t m_count = 0;
};

}  // namespace edload::gltf
