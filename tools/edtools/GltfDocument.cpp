#include "GltfDocument.h"

#include <optional>

#include "Base64.h"
#include "GltfPlacement.h"
#include "kxg/Appearance.h"

namespace edload::gltf {

namespace {

std::optional<dg::Color> RootColor(const kxk::Structure& structure) {
    if (!structure.HasRootAppearanceOverride() || !structure.GetRootAppearanceOverride()) return {};
    return structure.GetRootAppearanceOverride()->GetColor();
}

std::string BaseName(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

json::Json TopNode(const LoadResult& result, const GltfOptions& options) {
    json::Json node = {{"name", BaseName(result.file)}};
    if (options.up == GltfOptions::Up::kZ) SetZUpToYUp(node);
    node["extras"] = {{"ed:file", result.file}, {"ed:up", options.up == GltfOptions::Up::kZ ? "z" : "y"}};
    return node;
}

// The members that follow the node array, which the walk completes.
json::Json Tail(size_t top, const GltfMaterials& materials, const GltfBoxMeshes& meshes,
                const std::optional<std::string>& bufferUri) {
    json::Json tail = {{"scenes", json::Json::array({{{"nodes", json::Json::array({top})}}})}};
    if (materials.Size() > 0) tail["materials"] = materials.ToJson();
    meshes.AddTo(tail, bufferUri);
    return tail;
}

}  // namespace

std::string WriteGltfJson(std::ostream& out, const LoadResult& result, const GltfOptions& options,
                          BufferPlace place) {
    // The node array is written as text between the members that nlohmann writes.
    const std::string head =
        json::Dump({{"asset", {{"version", "2.0"}, {"generator", std::string("ed-load ") + ED_LOAD_VERSION}}},
                    {"scene", 0}});
    out.write(head.data(), static_cast<std::streamsize>(head.size() - 1));
    out << ",\"nodes\":[";
    GltfMaterials materials;
    GltfBoxMeshes meshes;
    GltfNodes nodes(out, options.nodes, RootColor(*result.structure), materials, meshes);
    WalkStructure(*result.structure, nodes);
    const size_t top = nodes.AddTop(TopNode(result, options));
    out << "],";
    std::string buffer = meshes.Buffer();
    std::optional<std::string> uri;
    if (place == BufferPlace::kDataUri && !buffer.empty())
        uri = "data:application/octet-stream;base64," + Base64(buffer);
    const std::string tail = json::Dump(Tail(top, materials, meshes, uri));
    out.write(tail.data() + 1, static_cast<std::streamsize>(tail.size() - 1));
    return buffer;
}

}  // namespace edload::gltf
