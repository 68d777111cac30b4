#include "dg/Matrix44.h"

#include <algorithm>
#include <cmath>

namespace dg {

namespace {

constexpr double kAffineTolerance = 1e-5;
constexpr double kSingularRatio = 1e-6;
constexpr double kShearTolerance = 1e-4;

struct Rotation3 {
    double r[3][3];  // acting on column vectors
};

// Shepperd's method: pick the largest of w, x, y, z to divide by, which keeps the result accurate for
// every rotation angle.
void QuaternionFromRotation(const Rotation3& m, double q[4]) {
    const double(&r)[3][3] = m.r;
    double trace = r[0][0] + r[1][1] + r[2][2];
    double x, y, z, w;
    if (trace > 0) {
        double s = std::sqrt(trace + 1.0) * 2;
        w = s / 4;
        x = (r[2][1] - r[1][2]) / s;
        y = (r[0][2] - r[2][0]) / s;
        z = (r[1][0] - r[0][1]) / s;
    } else if (r[0][0] > r[1][1] && r[0][0] > r[2][2]) {
        double s = std::sqrt(1.0 + r[0][0] - r[1][1] - r[2][2]) * 2;
        w = (r[2][1] - r[1][2]) / s;
        x = s / 4;
        y = (r[0][1] + r[1][0]) / s;
        z = (r[0][2] + r[2][0]) / s;
    } else if (r[1][1] > r[2][2]) {
        double s = std::sqrt(1.0 + r[1][1] - r[0][0] - r[2][2]) * 2;
        w = (r[0][2] - r[2][0]) / s;
        x = (r[0][1] + r[1][0]) / s;
        y = s / 4;
        z = (r[1][2] + r[2][1]) / s;
    } else {
        double s = std::sqrt(1.0 + r[2][2] - r[0][0] - r[1][1]) * 2;
        w = (r[1][0] - r[0][1]) / s;
        x = (r[0][2] + r[2][0]) / s;
        y = (r[1][2] + r[2][1]) / s;
        z = s / 4;
    }
    double length = std::sqrt(x * x + y * y + z * z + w * w);
    double sign = w < 0 ? -1.0 : 1.0;
    q[0] = sign * x / length;
    q[1] = sign * y / length;
    q[2] = sign * z / length;
    q[3] = sign * w / length;
}

struct Parts {
    double translation[3];
    double rotation[4];
    double scale[3];
};

template <class T>
bool Decompose(const T* m, Parts& parts) {
    if (std::fabs(double(m[3])) > kAffineTolerance || std::fabs(double(m[7])) > kAffineTolerance ||
        std::fabs(double(m[11])) > kAffineTolerance || std::fabs(double(m[15]) - 1.0) > kAffineTolerance)
        return false;
    double unit[3][3];
    double largest = 0;
    for (int i = 0; i < 3; ++i) {
        double x = m[4 * i], y = m[4 * i + 1], z = m[4 * i + 2];
        parts.scale[i] = std::sqrt(x * x + y * y + z * z);
        largest = std::max(largest, parts.scale[i]);
    }
    for (int i = 0; i < 3; ++i) {
        if (!(parts.scale[i] > 0) || parts.scale[i] < kSingularRatio * largest ||
            !std::isfinite(parts.scale[i]))
            return false;
        for (int j = 0; j < 3; ++j) unit[i][j] = m[4 * i + j] / parts.scale[i];
    }
    for (int i = 0; i < 3; ++i)
        for (int j = i + 1; j < 3; ++j) {
            double dot = unit[i][0] * unit[j][0] + unit[i][1] * unit[j][1] + unit[i][2] * unit[j][2];
            if (std::fabs(dot) > kShearTolerance) return false;
        }
    double det = unit[0][0] * (unit[1][1] * unit[2][2] - unit[1][2] * unit[2][1]) -
                 unit[0][1] * (unit[1][0] * unit[2][2] - unit[1][2] * unit[2][0]) +
                 unit[0][2] * (unit[1][0] * unit[2][1] - unit[1][1] * unit[2][0]);
    if (det < 0) return false;
    // Rows are the images of the axes; the column-vector rotation is their transpose.
    Rotation3 r;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) r.r[i][j] = unit[j][i];
    QuaternionFromRotation(r, parts.rotation);
    for (int i = 0; i < 3; ++i) parts.translation[i] = m[12 + i];
    return true;
}

}  // namespace

template <class T>
void Mat44<T>::SetTransform(T tx, T ty, T tz, const Quaternion<T>& rotation, T sx, T sy, T sz) {
    double x = rotation.q0, y = rotation.q1, z = rotation.q2, w = rotation.q3;
    double length = std::sqrt(x * x + y * y + z * z + w * w);
    if (length > 0) {
        x /= length;
        y /= length;
        z /= length;
        w /= length;
    } else {
        w = 1;
    }
    // Column-vector rotation; row i of the stored matrix is the image of axis i, column i of it.
    double r[3][3] = {{1 - 2 * (y * y + z * z), 2 * (x * y - z * w), 2 * (x * z + y * w)},
                      {2 * (x * y + z * w), 1 - 2 * (x * x + z * z), 2 * (y * z - x * w)},
                      {2 * (x * z - y * w), 2 * (y * z + x * w), 1 - 2 * (x * x + y * y)}};
    const T scale[3] = {sx, sy, sz};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) m[4 * i + j] = static_cast<T>(scale[i] * r[j][i]);
        m[4 * i + 3] = 0;
    }
    m[12] = tx;
    m[13] = ty;
    m[14] = tz;
    m[15] = 1;
}

template <class T>
bool Mat44<T>::GetDecomposition(FPoint3D& translation, Quaternion<float>& rotation, FVec3& scale) const {
    Parts parts;
    if (!Decompose(m, parts)) return false;
    translation.Set(float(parts.translation[0]), float(parts.translation[1]), float(parts.translation[2]));
    rotation.Set(float(parts.rotation[0]), float(parts.rotation[1]), float(parts.rotation[2]),
                 float(parts.rotation[3]));
    scale.Set(float(parts.scale[0]), float(parts.scale[1]), float(parts.scale[2]));
    return true;
}

template <class T>
bool Mat44<T>::GetDecomposition(DPoint3D& translation, Quaternion<double>& rotation, DVec3& scale) const {
    Parts parts;
    if (!Decompose(m, parts)) return false;
    translation.Set(parts.translation[0], parts.translation[1], parts.translation[2]);
    rotation.Set(parts.rotation[0], parts.rotation[1], parts.rotation[2], parts.rotation[3]);
    scale.Set(parts.scale[0], parts.scale[1], parts.scale[2]);
    return true;
}

template <class T>
double Mat44<T>::Determinant3() const {
    return double(m[0]) * (double(m[5]) * m[10] - double(m[6]) * m[9]) -
           double(m[1]) * (double(m[4]) * m[10] - double(m[6]) * m[8]) +
           double(m[2]) * (double(m[4]) * m[9] - double(m[5]) * m[8]);
}

template <class T>
const Mat44<T> Mat44<T>::IDENTITY{};

template class Mat44<float>;
template class Mat44<double>;

}  // namespace dg
