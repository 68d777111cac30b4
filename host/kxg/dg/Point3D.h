#pragma once

namespace dg {

// A point in 3D space; FPoint3D and DPoint3D are its single and double precision. Plain value.
template <class T>
struct Point3D {
    T x = 0, y = 0, z = 0;

    constexpr Point3D() = default;
    constexpr Point3D(T px, T py, T pz) : x(px), y(py), z(pz) {}
    void Set(T px, T py, T pz) {
        x = px;
        y = py;
        z = pz;
    }
    bool operator==(const Point3D& o) const { return x == o.x && y == o.y && z == o.z; }
    bool operator!=(const Point3D& o) const { return !(*this == o); }

    static const Point3D ORIGIN;
};

template <class T>
const Point3D<T> Point3D<T>::ORIGIN{0, 0, 0};

using FPoint3D = Point3D<float>;
using DPoint3D = Point3D<double>;

}  // namespace dg
