#pragma once

namespace dg {

// A 3D vector (direction, angles or per-axis scale); FVec3 and DVec3 are its single and double
// precision. Plain value.
template <class T>
struct Vec3 {
    T x = 0, y = 0, z = 0;

    constexpr Vec3() = default;
    constexpr Vec3(T vx, T vy, T vz) : x(vx), y(vy), z(vz) {}
    void Set(T vx, T vy, T vz) {
        x = vx;
        y = vy;
        z = vz;
    }
    Vec3& operator*=(T f) {
        x *= f;
        y *= f;
        z *= f;
        return *this;
    }
    Vec3 operator*(T f) const { return Vec3(x * f, y * f, z * f); }
    bool operator==(const Vec3& o) const { return x == o.x && y == o.y && z == o.z; }
    bool operator!=(const Vec3& o) const { return !(*this == o); }

    static const Vec3 ZERO;
};

template <class T>
const Vec3<T> Vec3<T>::ZERO{0, 0, 0};

using FVec3 = Vec3<float>;
using DVec3 = Vec3<double>;

}  // namespace dg
