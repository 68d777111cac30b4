#include "GltfNodes.h"

#include "GltfExtras.h"
#include "GltfPlacement.h"
#include "kxk/ComponentNode.h"
#include "kxk/ShapeSource.h"

namespace edload::gltf {

namespace {

bool Hidden(const WalkStep& step) {
    return step.instance && step.instance->GetDefaultVisibility() == kHidden;
}

// An instance's own colour override, if it has one with an appearance.
std::optional<dg::Color> OwnColor(const kxk::ComponentInstance* instance) {
    if (!instance || !instance->HasAppearanceOverride() || !instance->GetAppearanceOverride()) return {};
    return instance->GetAppearanceOverride()->GetColor();
}

const dg::FBox* ShapeBox(const kxk::Component& component) {
    if (component.GetKind() != kxk::Component::NODE) return nullptr;
    const auto& source = static_cast<const kxk::ComponentNode&>(component).GetShapeSource();
    if (!source || source->GetBox() == dg::FBox::EMPTY) return nullptr;
    return &source->GetBox();
}

}  // namespace

GltfNodes::GltfNodes(std::ostream& out, const NodeOptions& options, std::optional<dg::Color> rootColor,
                     GltfMaterials& materials, GltfBoxMeshes& meshes)
    : m_options(options), m_rootColor(rootColor), m_materials(materials), m_meshes(meshes), m_out(out) {}

void GltfNodes::Enter(const WalkStep& step) {
    if (m_skipping) return;
    if (m_options.visibleOnly && Hidden(step)) {
        m_skipping = step.depth;
        return;
    }
    // An override colours everything below it that has no override of its own, as in the host.
    std::optional<dg::Color> color = OwnColor(step.instance);
    if (!color) color = m_pending.empty() ? m_rootColor : m_pending.back().color;
    m_pending.push_back(Pending{{}, color});
}

void GltfNodes::Leave(const WalkStep& step) {
    if (m_skipping) {
        if (*m_skipping == step.depth) m_skipping.reset();
        return;
    }
    Pending pending = std::move(m_pending.back());
    m_pending.pop_back();
    if (auto box = BoxNode(step, pending.color)) pending.children.push_back(*box);

    json::Json node = json::Json::object();
    if (!step.component.GetName().is_null()) node["name"] = json::Text(step.component.GetName());
    if (step.instance) SetPlacement(node, step.instance->GetLocation());
    if (!pending.children.empty()) node["children"] = pending.children;
    size_t index = Write(node, Extras(step));
    if (m_pending.empty())
        m_root = index;
    else
        m_pending.back().children.push_back(index);
}

size_t GltfNodes::AddTop(json::Json node) {
    if (m_root) node["children"] = json::Json::array({*m_root});
    return Write(node);
}

size_t GltfNodes::Write(const json::Json& node, const std::string& extras) {
    if (m_count > 0) m_out << ',';
    const std::string text = json::Dump(node);
    if (extras.empty()) {
        m_out << text;
    } else {
        // The extras are the node's last member, written as the library would have.
        m_out.write(text.data(), static_cast<std::streamsize>(text.size() - 1));
        m_out << (text.size() > 2 ? ",\"extras\":" : "\"extras\":") << extras << '}';
    }
    return m_count++;
}

std::optional<size_t> GltfNodes::BoxNode(const WalkStep& step, const std::optional<dg::Color>& color) {
    const dg::FBox* box = m_options.boxes ? ShapeBox(step.component) : nullptr;
    if (!box) return {};
    json::Json node = {{"name", "box"}};
    SetBoxPlacement(node, *box);
    node["mesh"] = m_meshes.MeshFor(m_materials.For(color.value_or(GltfMaterials::kUncoloured)));
    return Write(node);
}

}  // namespace edload::gltf
