#pragma once

#include "dg/Point3D.h"
#include "dg/Quaternion.h"
#include "dg/Vec3.h"

namespace dg {

// A 4x4 transform of 16 consecutive elements m[0..15]. A point transforms as a row vector,
// p' = p * M, with M[row][col] = m[4*row+col]; the translation sits in m[12], m[13], m[14].
// (Read as column-major with column vectors, the rotation acting on column vectors is
// R[i][j] = m[4*j+i].) Default-constructed it is the identity. Plain value.
//
//   dg::DMat44 a = ..., b = ...;
//   dg::DMat44 ab = a * b;          // apply a first, then b
template <class T>
class Mat44 {
  public:
    T m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

    constexpr Mat44() = default;

    T& operator[](int i) { return m[i]; }
    const T& operator[](int i) const { return m[i]; }
    T& operator()(int row, int col) { return m[4 * row + col]; }
    const T& operator()(int row, int col) const { return m[4 * row + col]; }

    // The transform that applies this matrix first and `next` after.
    Mat44 operator*(const Mat44& next) const {
        Mat44 r;
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j) {
                T s = 0;
                for (int k = 0; k < 4; ++k) s += m[4 * i + k] * next.m[4 * k + j];
                r.m[4 * i + j] = s;
            }
        return r;
    }
    bool operator==(const Mat44& o) const {
        for (int i = 0; i < 16; ++i)
            if (m[i] != o.m[i]) return false;
        return true;
    }
    bool operator!=(const Mat44& o) const { return !(*this == o); }

    // Scale first, then rotate, then translate: p' = ((p * scale) rotated) + translation.
    // The rotation quaternion is normalised here; a zero quaternion counts as no rotation.
    void SetTransform(T tx, T ty, T tz, const Quaternion<T>& rotation, T sx, T sy, T sz);

    // Splits an affine transform into translation, rotation (unit quaternion, w >= 0) and a positive
    // scale per axis, such that SetTransform of the parts gives the matrix back. False, leaving the
    // outputs untouched, when there is no such split:
    //  - not affine: m[3], m[7], m[11] not within 1e-5 of 0, or m[15] not within 1e-5 of 1;
    //  - singular: an axis scale (row length) of zero, or below 1e-6 times the largest one;
    //  - sheared: two unit rows whose dot product exceeds 1e-4 in magnitude;
    //  - a reflection: negative determinant.
    // The tolerances are absolute on the element values and the unit rows, and hold for float input
    // written with six significant digits. The arithmetic is done in double.
    bool GetDecomposition(FPoint3D& translation, Quaternion<float>& rotation, FVec3& scale) const;
    bool GetDecomposition(DPoint3D& translation, Quaternion<double>& rotation, DVec3& scale) const;

    // Determinant of the upper 3x3 block.
    double Determinant3() const;

    static const Mat44 IDENTITY;
};

using FMat44 = Mat44<float>;
using DMat44 = Mat44<double>;

extern template class Mat44<float>;
extern template class Mat44<double>;

}  // namespace dg
