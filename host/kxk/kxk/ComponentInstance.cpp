#include "kxk/ComponentInstance.h"

#include "kxk/DeferredRelease.h"

namespace kxk {

ComponentInstance::ComponentInstance(const du::Symbol& id, const du::SmartPtr<Component>& component)
    : m_id(id), m_component(component) {}

// The component may own a whole subtree; it goes through the deferred list (see ComponentNode).
ComponentInstance::~ComponentInstance() {
    DeferredRelease scope;
    DeferredRelease::Defer(m_component);
    m_component = nullptr;
}

void ComponentInstance::SetLocation(const dg::Location& location, bool flag) {
    m_location = location;
    m_locationFlag = flag;
}

void ComponentInstance::SetSavedLocation(const dg::Location& location) {
    m_savedLocation = location;
}

void ComponentInstance::SetAppearanceOverride(const du::SmartPtr<kxg::Appearance>& appearance, bool opaque,
                                              bool flag) {
    m_appearance = appearance;
    m_hasAppearance = true;
    m_opaque = opaque;
    m_appearanceFlag = flag;
}

void ComponentInstance::OverrideDefaultVisibility(int visibility) {
    m_visibility = visibility;
}

}  // namespace kxk
