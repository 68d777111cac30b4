#pragma once

namespace dg {

// A 3D vector (direction, angles or per-axis scale), single or double precision. Plain value.
struct FVec3 {
    float x = 0, y = 0, z = 0;

    constexpr FVec3() = default;
    constexpr FVec3(float vx, float vy, float vz) : x(vx), y(vy), z(vz) {}
    void Set(float vx, float vy, float vz) {
        x = vx;
        y = vy;
        z = vz;
    }
    FVec3& operator*=(float f) {
        x *= f;
        y *= f;
        z *= f;
        return *this;
    }
    FVec3 operator*(float f) const { return FVec3(x * f, y * f, z * f); }
    bool operator==(const FVec3& o) const { return x == o.x && y == o.y && z == o.z; }
    bool operator!=(const FVec3& o) const { return !(*this == o); }

    static const FVec3 ZERO;
};

struct DVec3 {
    double x = 0, y = 0, z = 0;

    constexpr DVec3() = default;
    constexpr DVec3(double vx, double vy, double vz) : x(vx), y(vy), z(vz) {}
    void Set(double vx, double vy, double vz) {
        x = vx;
        y = vy;
        z = vz;
    }
    DVec3& operator*=(double f) {
        x *= f;
        y *= f;
        z *= f;
        return *this;
    }
    DVec3 operator*(double f) const { return DVec3(x * f, y * f, z * f); }
    bool operator==(const DVec3& o) const { return x == o.x && y == o.y && z == o.z; }
    bool operator!=(const DVec3& o) const { return !(*this == o); }

    static const DVec3 ZERO;
};

}  // namespace dg
