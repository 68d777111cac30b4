#include "kxk/ComponentInstance.h"

#include <cstring>

namespace kxk {

namespace {

template <class T>
bool SameBits(T a, T b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Field by field: the padding inside a Location is not part of its value.
bool SameBits(const dg::Location& a, const dg::Location& b) {
    const dg::DPoint3D& s = a.GetTranslation();
    const dg::DPoint3D& t = b.GetTranslation();
    const dg::Quaternion<float>& p = a.GetRotation();
    const dg::Quaternion<float>& q = b.GetRotation();
    return SameBits(s.x, t.x) && SameBits(s.y, t.y) && SameBits(s.z, t.z) && SameBits(p.q0, q.q0) &&
           SameBits(p.q1, q.q1) && SameBits(p.q2, q.q2) && SameBits(p.q3, q.q3) &&
           SameBits(a.GetScale(), b.GetScale());
}

}  // namespace

ComponentInstance::ComponentInstance(const du::Symbol& id, const du::SmartPtr<Component>& component)
    : m_id(id), m_component(component) {}

// The component may own a whole subtree: a node released here hands its children to the thread's
// deferred releases (see ComponentNode), so the stack stays flat at any depth.
ComponentInstance::~ComponentInstance() = default;

void ComponentInstance::SetLocation(const dg::Location& location, bool) {
    // A saved location that shares the current one's storage keeps its value.
    if (m_hasSavedLocation && !m_otherSavedLocation && !SameBits(location, m_location))
        m_otherSavedLocation.reset(new dg::Location(m_location));
    m_location = location;
    m_hasLocation = true;
}

void ComponentInstance::SetSavedLocation(const dg::Location& location) {
    if (m_hasLocation && SameBits(location, m_location)) {
        m_otherSavedLocation.reset();
    } else if (m_otherSavedLocation) {
        *m_otherSavedLocation = location;
    } else {
        m_otherSavedLocation.reset(new dg::Location(location));
    }
    m_hasSavedLocation = true;
}

void ComponentInstance::SetAppearanceOverride(const du::SmartPtr<kxg::Appearance>& appearance, bool opaque,
                                              bool) {
    m_appearance = appearance;
    m_hasAppearance = true;
    m_opaque = opaque;
}

void ComponentInstance::OverrideDefaultVisibility(int visibility) {
    m_visibility = visibility;
    m_hasVisibility = true;
}

}  // namespace kxk
