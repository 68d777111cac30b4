#pragma once

namespace dg {

// A point in 3D space, single or double precision. Plain value.
struct FPoint3D {
    float x = 0, y = 0, z = 0;

    constexpr FPoint3D() = default;
    constexpr FPoint3D(float px, float py, float pz) : x(px), y(py), z(pz) {}
    void Set(float px, float py, float pz) {
        x = px;
        y = py;
        z = pz;
    }
    bool operator==(const FPoint3D& o) const { return x == o.x && y == o.y && z == o.z; }
    bool operator!=(const FPoint3D& o) const { return !(*this == o); }

    static const FPoint3D ORIGIN;
};

struct DPoint3D {
    double x = 0, y = 0, z = 0;

    constexpr DPoint3D() = default;
    constexpr DPoint3D(double px, double py, double pz) : x(px), y(py), z(pz) {}
    void Set(double px, double py, double pz) {
        x = px;
        y = py;
        z = pz;
    }
    bool operator==(const DPoint3D& o) const { return x == o.x && y == o.y && z == o.z; }
    bool operator!=(const DPoint3D& o) const { return !(*this == o); }

    static const DPoint3D ORIGIN;
};

}  // namespace dg
