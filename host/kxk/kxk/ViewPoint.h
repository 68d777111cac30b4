#pragma once

#include "dg/Quaternion.h"
#include "du/SmartPtr.h"
#include "du/Symbol.h"

namespace kxk {

// A named camera orientation attached to a node. Immutable; held by counted reference.
class ViewPoint : public du::RefCounted {
  public:
    // Always makes a view point and returns true. The orientation is kept as given (NaNs included).
    static bool Create(du::SmartPtr<ViewPoint>& out, const du::Symbol& name,
                       const dg::Quaternion<float>& orientation);

    const du::Symbol& GetName() const { return m_name; }
    const dg::Quaternion<float>& GetOrientation() const { return m_orientation; }

  private:
    ViewPoint(const du::Symbol& name, const dg::Quaternion<float>& orientation)
        : m_name(name), m_orientation(orientation) {}

    du::Symbol m_name;
    dg::Quaternion<float> m_orientation;
};

}  // namespace kxk
