#pragma once

#include <cmath>

namespace edtest {

// Rotations computed the textbook way, in double, to check the loader's single-precision ones
// against: 3x3 matrices acting on column vectors.
struct Mat3 {
    double m[3][3];
};

inline Mat3 Multiply(const Mat3& a, const Mat3& b) {
    Mat3 r{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k) r.m[i][j] += a.m[i][k] * b.m[k][j];
    return r;
}

// Rz * Ry * Rx from angles in degrees: about X first, then Y, then Z (fixed axes).
inline Mat3 FromAngles(double rx, double ry, double rz) {
    const double kRadians = 3.14159265358979323846 / 180;
    const double x = rx * kRadians, y = ry * kRadians, z = rz * kRadians;
    const Mat3 Rx{{{1, 0, 0}, {0, std::cos(x), -std::sin(x)}, {0, std::sin(x), std::cos(x)}}};
    const Mat3 Ry{{{std::cos(y), 0, std::sin(y)}, {0, 1, 0}, {-std::sin(y), 0, std::cos(y)}}};
    const Mat3 Rz{{{std::cos(z), -std::sin(z), 0}, {std::sin(z), std::cos(z), 0}, {0, 0, 1}}};
    return Multiply(Rz, Multiply(Ry, Rx));
}

// The rotation of the unit quaternion (x, y, z, w).
inline Mat3 FromQuaternion(double x, double y, double z, double w) {
    return Mat3{{{1 - 2 * (y * y + z * z), 2 * (x * y - z * w), 2 * (x * z + y * w)},
                 {2 * (x * y + z * w), 1 - 2 * (x * x + z * z), 2 * (y * z - x * w)},
                 {2 * (x * z - y * w), 2 * (y * z + x * w), 1 - 2 * (x * x + y * y)}}};
}

}  // namespace edtest
