#include "Snapshot.h"

#include <unordered_map>

#include "StructureCounts.h"
#include "kxk/ComponentInstance.h"
#include "kxk/ComponentNode.h"
#include "kxk/ComponentProxy.h"
#include "kxk/EcadSource.h"
#include "kxk/LayerGroup.h"
#include "kxk/ShapeSource.h"
#include "kxk/ViewPoint.h"
#include "kxk/ViewStateSource.h"
#include "kxk/ViewableSource.h"

namespace edloader {

namespace {

// The host hides an instance by giving it this default visibility.
constexpr int kHostHidden = 3;

void CopyQuaternion(const dg::Quaternion<float>& q, float out[4]) {
    out[0] = q.x();
    out[1] = q.y();
    out[2] = q.z();
    out[3] = q.w();
}

edl_placement Placement(const dg::Location& location) {
    edl_placement placement{};
    const dg::DPoint3D& t = location.GetTranslation();
    placement.translation[0] = t.x;
    placement.translation[1] = t.y;
    placement.translation[2] = t.z;
    CopyQuaternion(location.GetRotation(), placement.rotation);
    placement.scale = location.GetScale();
    return placement;
}

std::optional<edl_colour> Colour(const kxk::ComponentInstance& instance) {
    const auto& appearance = instance.GetAppearanceOverride();
    if (!instance.HasAppearanceOverride() || !appearance) return std::nullopt;
    const dg::Color& c = appearance->GetColor();
    return edl_colour{{c.r, c.g, c.b, c.a}, instance.IsAppearanceOpaque() ? 1 : 0};
}

// Copies the components breadth-first, each the first time an instance reaches it: no recursion, so a
// chain of any depth costs memory only, and a shared component is one copy.
class SnapshotBuilder {
  public:
    explicit SnapshotBuilder(edl_structure& snapshot) : m_snapshot(snapshot), m_texts(snapshot.texts) {}

    void Build(const kxk::ComponentNode& root) {
        m_snapshot.root = Reach(root);
        for (size_t next = 0; next < m_pending.size(); ++next)
            Copy(*m_pending[next], m_snapshot.components[next]);
    }

  private:
    // The copy of `component`, made empty and queued the first time it is reached.
    edl_component* Reach(const kxk::Component& component) {
        auto [slot, fresh] = m_copies.try_emplace(&component, nullptr);
        if (fresh) {
            slot->second = &m_snapshot.components.emplace_back();
            m_pending.push_back(&component);
        }
        return slot->second;
    }

    void Copy(const kxk::Component& component, edl_component& copy) {
        copy.name = m_texts.AddSymbol(component.GetName());
        if (component.GetKind() == kxk::Component::PROXY) {
            copy.kind = EDL_PROXY;
            copy.link = m_texts.AddSymbol(static_cast<const kxk::ComponentProxy&>(component).GetLink());
            return;
        }
        const auto& node = static_cast<const kxk::ComponentNode&>(component);
        copy.shapeSource = Source(node.GetShapeSource());
        copy.thumbnail = Source(node.GetThumbnailSource());
        CopyProperties(node, copy);
        CopyViews(node, copy);
        CopyLayerGroups(node, copy);
        CopyChildren(node, copy);
    }

    std::optional<edl_source> Source(const du::SmartPtr<kxk::ShapeSource>& source) {
        if (!source) return std::nullopt;
        edl_source copy{m_texts.AddSymbol(source->GetSource()), 0, {}, source->GetIndex()};
        const dg::FBox& box = source->GetBox();
        if (box != dg::FBox::EMPTY) {
            copy.has_box = 1;
            copy.box = edl_box{{box.min.x, box.min.y, box.min.z}, {box.max.x, box.max.y, box.max.z}};
        }
        return copy;
    }

    void CopyProperties(const kxk::ComponentNode& node, edl_component& copy) {
        const auto all = node.GetProperties().GetAll();
        copy.properties.reserve(all.size());
        for (const kxk::Property& p : all)
            copy.properties.push_back(
                {m_texts.AddSymbol(p.name), m_texts.AddSymbol(p.typeName), m_texts.AddSymbol(p.value)});
    }

    void CopyViews(const kxk::ComponentNode& node, edl_component& copy) {
        for (const auto& source : node.GetViewableSources()) {
            const auto* ecad = dynamic_cast<const kxk::EcadSource*>(source.get());
            copy.viewables.push_back({source->GetFamilyName(), m_texts.AddSymbol(source->GetFileName()),
                                      m_texts.AddSymbol(source->GetDisplayName()),
                                      ecad ? static_cast<int>(ecad->GetEcadType()) : -1});
        }
        for (const auto& view : node.GetViewPoints()) {
            edl_view_point point{m_texts.AddSymbol(view->GetName()), {}};
            CopyQuaternion(view->GetOrientation(), point.orientation);
            copy.viewPoints.push_back(point);
        }
        for (const auto& state : node.GetViewStateSources())
            copy.viewStates.push_back({static_cast<int>(state->GetType()), state->GetNumber(),
                                       m_texts.AddSymbol(state->GetFirst()),
                                       m_texts.AddSymbol(state->GetSecond())});
    }

    void CopyLayerGroups(const kxk::ComponentNode& node, edl_component& copy) {
        for (const auto& group : node.GetLayerGroups()) {
            std::vector<const char*>& members = copy.layerMembers.emplace_back();
            for (const du::Symbol& member : group->GetMembers()) members.push_back(m_texts.AddSymbol(member));
            copy.layerGroups.push_back({m_texts.AddSymbol(group->GetName()), 0, nullptr});
        }
        // Pointed at once every list is in place: the outer vector moved its lists while it grew.
        for (size_t i = 0; i < copy.layerGroups.size(); ++i) {
            copy.layerGroups[i].member_count = copy.layerMembers[i].size();
            copy.layerGroups[i].members = copy.layerMembers[i].data();
        }
    }

    // Instances without a component are left out, as the walk leaves them out.
    void CopyChildren(const kxk::ComponentNode& node, edl_component& copy) {
        for (const auto& child : node.GetChildren()) {
            if (!child || !child->GetComponent()) continue;
            edl_instance& instance = copy.children.emplace_back();
            const du::Symbol& id = child->GetId();  // an instance without one has the empty id
            instance.id = m_texts.Add(std::string_view(id.safe_c_str(), id.length()));
            instance.component = Reach(*child->GetComponent());
            if (child->HasLocation()) instance.placement = Placement(child->GetLocation());
            instance.colour = Colour(*child);
            instance.visible =
                !(child->HasDefaultVisibility() && child->GetDefaultVisibility() == kHostHidden);
        }
    }

    edl_structure& m_snapshot;
    TextPool& m_texts;
    std::unordered_map<const kxk::Component*, edl_component*> m_copies;
    std::vector<const kxk::Component*> m_pending;  // in the order of m_snapshot.components
};

}  // namespace

void TakeSnapshot(const kxk::Structure& structure, edl_structure& snapshot) {
    snapshot.instanceCount = edload::CountStructure(structure).instances;
    if (const auto& root = structure.GetRoot()) SnapshotBuilder(snapshot).Build(*root);
}

}  // namespace edloader
