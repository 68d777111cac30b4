#pragma once

#include "dg/Matrix44.h"
#include "dg/Point3D.h"
#include "dg/Quaternion.h"

namespace dg {

// The placement of an instance under its parent: uniform scale, then rotation, then translation
// (translation in metres, double precision). Plain value; the rotation is kept as given.
//
//   dg::Location loc;
//   loc.Set(dg::DPoint3D(1, 0, 0), dg::Quaternion<float>(), 1.0f);
//   dg::DMat44 parent;  parentLocation.GetXform(parent);
//   dg::Location placed = loc * parent;   // loc applied first, then the parent
class Location {
  public:
    constexpr Location() = default;
    constexpr Location(const DPoint3D& translation, const Quaternion<float>& rotation, float scale)
        : m_translation(translation), m_rotation(rotation), m_scale(scale) {}

    void Set(const DPoint3D& translation, const Quaternion<float>& rotation, float scale) {
        m_translation = translation;
        m_rotation = rotation;
        m_scale = scale;
    }
    const DPoint3D& GetTranslation() const { return m_translation; }
    const Quaternion<float>& GetRotation() const { return m_rotation; }
    float GetScale() const { return m_scale; }

    // The placement as a matrix (see Mat44 for the convention).
    void GetXform(DMat44& out) const;

    // Exact comparison of the stored values.
    bool operator==(const Location& o) const {
        return m_translation == o.m_translation && m_rotation == o.m_rotation && m_scale == o.m_scale;
    }
    bool operator!=(const Location& o) const { return !(*this == o); }

    static const Location IDENTITY;

  private:
    DPoint3D m_translation;
    Quaternion<float> m_rotation;
    float m_scale = 1;
};

// `local` applied first, then `parent`: the matrices composed in that order and split back into a
// location (rotation with w >= 0, double-precision translation). A parent with shear or non-uniform
// scale cannot be represented exactly; the result then keeps the composed translation, the composed
// axes made orthonormal (x first) as rotation, and the cube root of the volume scale.
Location operator*(const Location& local, const DMat44& parent);

}  // namespace dg
