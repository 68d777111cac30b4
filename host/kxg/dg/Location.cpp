#include "dg/Location.h"

#include <cmath>

namespace dg {

void Location::GetXform(DMat44& out) const {
    Quaternion<double> rotation(m_rotation.q0, m_rotation.q1, m_rotation.q2, m_rotation.q3);
    out.SetTransform(m_translation.x, m_translation.y, m_translation.z, rotation, m_scale, m_scale, m_scale);
}

namespace {

// For a composed matrix without an exact split (a parent with shear or non-uniform scale): the axes
// made orthonormal in order (x kept, y made square to it, z from both), and the volume scale spread
// evenly. Degenerate axes give no rotation.
Location ApproximateLocation(const DMat44& m) {
    double x[3] = {m[0], m[1], m[2]};
    double y[3] = {m[4], m[5], m[6]};
    auto normalise = [](double* v) {
        double length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
        if (!(length > 0) || !std::isfinite(length)) return false;
        for (int k = 0; k < 3; ++k) v[k] /= length;
        return true;
    };
    Quaternion<float> rotation;
    if (normalise(x)) {
        double along = x[0] * y[0] + x[1] * y[1] + x[2] * y[2];
        for (int k = 0; k < 3; ++k) y[k] -= along * x[k];
        if (normalise(y)) {
            DMat44 axes;
            double z[3] = {x[1] * y[2] - x[2] * y[1], x[2] * y[0] - x[0] * y[2], x[0] * y[1] - x[1] * y[0]};
            for (int j = 0; j < 3; ++j) {
                axes[j] = x[j];
                axes[4 + j] = y[j];
                axes[8 + j] = z[j];
            }
            DPoint3D t;
            Quaternion<double> q;
            DVec3 s;
            if (axes.GetDecomposition(t, q, s))
                rotation.Set(float(q.q0), float(q.q1), float(q.q2), float(q.q3));
        }
    }
    float scale = static_cast<float>(std::cbrt(std::fabs(m.Determinant3())));
    return Location(DPoint3D(m[12], m[13], m[14]), rotation, scale);
}

}  // namespace

Location operator*(const Location& local, const DMat44& parent) {
    DMat44 own;
    local.GetXform(own);
    DMat44 composed = own * parent;
    DPoint3D translation;
    Quaternion<double> rotation;
    DVec3 scale;
    if (!composed.GetDecomposition(translation, rotation, scale)) return ApproximateLocation(composed);
    // Uniform in, uniform out; the geometric mean absorbs rounding differences between the axes.
    float uniform = static_cast<float>(std::cbrt(scale.x * scale.y * scale.z));
    return Location(
        translation,
        Quaternion<float>(float(rotation.q0), float(rotation.q1), float(rotation.q2), float(rotation.q3)),
        uniform);
}

}  // namespace dg
