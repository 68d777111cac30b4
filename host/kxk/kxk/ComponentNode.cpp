#include "kxk/ComponentNode.h"

#include "kxk/ChildIdIndex.h"
#include "kxk/ComponentInstance.h"
#include "kxk/DeferredRelease.h"
#include "kxk/LayerGroup.h"
#include "kxk/ShapeSource.h"
#include "kxk/ViewPoint.h"
#include "kxk/ViewStateSource.h"
#include "kxk/ViewableSource.h"

namespace kxk {

struct ComponentNode::Extras {
    du::SmartPtr<ShapeSource> thumbnail;
    std::vector<du::SmartPtr<ViewableSource>> viewables;
    std::vector<du::SmartPtr<ViewPoint>> viewPoints;
    std::vector<du::SmartPtr<ViewStateSource>> viewStates;
    std::vector<du::SmartPtr<LayerGroup>> layerGroups;
    ChildIdIndex ids;
};

const ComponentNode::Extras& ComponentNode::NoExtras() {
    static const Extras* none = new Extras;
    return *none;
}

ComponentNode::ComponentNode(const du::Symbol& name) : Component(NODE, name) {
    SetLockHolder(&m_ownLockHolder);
}

ComponentNode::~ComponentNode() {
    if (m_children.empty()) return;
    DeferredRelease scope;
    DeferredRelease::Defer(m_children);
}

bool ComponentNode::AddChild(const du::SmartPtr<Component>& component, const du::Symbol& id,
                             du::SmartPtr<ComponentInstance>& out) {
    out = nullptr;
    if (!component) return false;
    if (FindChild(id)) return false;
    // Room first, so that a failed allocation leaves the node as it was. Capacities of 3, 7, 15 ...
    // pointers fill the heap's blocks (16-byte steps, 8 bytes of header) to the last byte.
    if (m_children.size() == m_children.capacity()) m_children.reserve(m_children.size() * 2 + 3);
    if (m_children.size() >= ChildIdIndex::kScanLimit) GetExtras().ids.Reserve(m_children);
    // Made in `out` itself: each further holder of the instance is an atomic count.
    out = du::SmartPtr<ComponentInstance>(new ComponentInstance(id, component));
    m_children.push_back(out);
    if (m_extras) m_extras->ids.Insert(*out);
    return true;
}

ComponentInstance* ComponentNode::FindChild(const du::Symbol& id) const {
    return id.has_text() ? (m_extras ? *m_extras : NoExtras()).ids.Find(m_children, id) : nullptr;
}

ComponentNode::Extras& ComponentNode::GetExtras() {
    if (!m_extras) m_extras.reset(new Extras);
    return *m_extras;
}

void ComponentNode::SetShapeSource(const du::SmartPtr<ShapeSource>& source) {
    m_shapeSource = source;
}

void ComponentNode::SetThumbnailSource(const du::SmartPtr<ShapeSource>& source) {
    GetExtras().thumbnail = source;
}

void ComponentNode::AddViewableSource(const du::SmartPtr<ViewableSource>& source) {
    if (source) GetExtras().viewables.push_back(source);
}

void ComponentNode::AddViewPoint(const du::SmartPtr<ViewPoint>& viewPoint) {
    if (viewPoint) GetExtras().viewPoints.push_back(viewPoint);
}

void ComponentNode::AddViewStateSource(const du::SmartPtr<ViewStateSource>& source) {
    if (source) GetExtras().viewStates.push_back(source);
}

void ComponentNode::AddLayerGroup(const du::SmartPtr<LayerGroup>& group) {
    if (group) GetExtras().layerGroups.push_back(group);
}

Properties& ComponentNode::GetProperties() {
    return m_properties;
}

const du::SmartPtr<ShapeSource>& ComponentNode::GetThumbnailSource() const {
    return (m_extras ? *m_extras : NoExtras()).thumbnail;
}

const std::vector<du::SmartPtr<ViewableSource>>& ComponentNode::GetViewableSources() const {
    return (m_extras ? *m_extras : NoExtras()).viewables;
}

const std::vector<du::SmartPtr<ViewPoint>>& ComponentNode::GetViewPoints() const {
    return (m_extras ? *m_extras : NoExtras()).viewPoints;
}

const std::vector<du::SmartPtr<ViewStateSource>>& ComponentNode::GetViewStateSources() const {
    return (m_extras ? *m_extras : NoExtras()).viewStates;
}

const std::vector<du::SmartPtr<LayerGroup>>& ComponentNode::GetLayerGroups() const {
    return (m_extras ? *m_extras : NoExtras()).layerGroups;
}

const Properties& ComponentNode::GetProperties() const {
    return m_properties;
}

}  // namespace kxk
