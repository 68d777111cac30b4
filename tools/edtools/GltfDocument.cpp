#include "GltfDocument.h"

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

}  // namespace

GltfDocument::GltfDocument(const LoadResult& result, const GltfOptions& options) {
    GltfNodes nodes(options.nodes, RootColor(*result.structure), m_materials, m_meshes);
    WalkStructure(*result.structure, nodes);
    size_t top = nodes.AddTop(TopNode(result, options));
    m_nodes = nodes.TakeText();
    m_head = {{"asset", {{"version", "2.0"}, {"generator", std::string("ed-load ") + ED_LOAD_VERSION}}},
              {"scene", 0}};
    m_scenes = json::Json::array({{{"nodes", json::Json::array({top})}}});
    m_buffer = m_meshes.Buffer();
}

std::string GltfDocument::JsonText(const std::optional<std::string>& bufferUri) const {
    // The node array is spliced in as text between the members that nlohmann writes.
    json::Json tail = {{"scenes", m_scenes}};
    if (m_materials.Size() > 0) tail["materials"] = m_materials.ToJson();
    m_meshes.AddTo(tail, bufferUri);
    std::string head = json::Dump(m_head), rest = json::Dump(tail);
    std::string text;
    text.reserve(head.size() + m_nodes.size() + rest.size() + 16);
    text.append(head, 0, head.size() - 1).append(",\"nodes\":[").append(m_nodes).append("],");
    return text.append(rest, 1, std::string::npos);
}

}  // namespace edload::gltf
