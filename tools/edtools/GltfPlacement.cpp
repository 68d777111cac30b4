#include "GltfPlacement.h"

#include <cmath>

namespace edload::gltf {

namespace {

double Finite(double value, double fallback) {
    return std::isfinite(value) ? value : fallback;
}

void SetRotation(json::Json& node, const dg::Quaternion<float>& q) {
    double x = q.x(), y = q.y(), z = q.z(), w = q.w();
    double length = std::sqrt(x * x + y * y + z * z + w * w);
    // The host treats a zero quaternion as no rotation; an infinite or NaN one is no rotation here too.
    if (!(length > 0) || !std::isfinite(length)) return;
    x /= length;
    y /= length;
    z /= length;
    w /= length;
    if (x == 0 && y == 0 && z == 0 && w == 1) return;
    node["rotation"] = json::Json::array({x, y, z, w});
}

}  // namespace

void SetPlacement(json::Json& node, const dg::Location& location) {
    const dg::DPoint3D& t = location.GetTranslation();
    if (t != dg::DPoint3D::ORIGIN)
        node["translation"] = json::Json::array({Finite(t.x, 0), Finite(t.y, 0), Finite(t.z, 0)});
    SetRotation(node, location.GetRotation());
    double scale = Finite(location.GetScale(), 1);
    if (scale != 1) node["scale"] = json::Json::array({scale, scale, scale});
}

void SetBoxPlacement(json::Json& node, const dg::FBox& box) {
    const float lo[3] = {box.min.x, box.min.y, box.min.z};
    const float hi[3] = {box.max.x, box.max.y, box.max.z};
    json::Json centre = json::Json::array(), size = json::Json::array();
    for (int axis = 0; axis < 3; ++axis) {
        double a = lo[axis], b = hi[axis];
        centre.push_back(Finite((a + b) / 2, 0));
        size.push_back(Finite(std::fabs(b - a), 0));
    }
    node["translation"] = std::move(centre);
    node["scale"] = std::move(size);
}

void SetZUpToYUp(json::Json& node) {
    const double half = std::sqrt(0.5);
    node["rotation"] = json::Json::array({-half, 0.0, 0.0, half});
}

}  // namespace edload::gltf
