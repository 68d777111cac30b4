// Geometry values checked against independent computations: rotation matrices from the axis-angle
// (Rodrigues) formula, never the code's own matrix or quaternion formulas.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>
#include <tuple>

#include "dg/Location.h"
#include "dg/Matrix44.h"

namespace {

const double kPi = 3.14159265358979323846;

struct V3 {
    double x, y, z;
};
struct AxisAngle {
    V3 axis;  // unit
    double angle;
};
using M3 = std::array<std::array<double, 3>, 3>;

// Column-vector rotation matrix by Rodrigues: R = cos t I + sin t [k]x + (1 - cos t) k k^T.
M3 Rodrigues(const AxisAngle& r) {
    const double c = std::cos(r.angle), s = std::sin(r.angle), k[3] = {r.axis.x, r.axis.y, r.axis.z};
    const double cross[3][3] = {{0, -k[2], k[1]}, {k[2], 0, -k[0]}, {-k[1], k[0], 0}};
    M3 out;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) out[i][j] = (i == j ? c : 0) + s * cross[i][j] + (1 - c) * k[i] * k[j];
    return out;
}

// Row-vector storage of scale, then rotation, then translation.
dg::FMat44 MakeMatrix(const AxisAngle& r, const V3& scale, const V3& t) {
    const M3 rot = Rodrigues(r);
    const double s[3] = {scale.x, scale.y, scale.z};
    dg::FMat44 m;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) m[4 * i + j] = s[i] * rot[j][i];
    m[12] = t.x;
    m[13] = t.y;
    m[14] = t.z;
    return m;
}

// Angles stay below a full turn, so w is never negative.
template <class T>
dg::Quaternion<T> QuaternionOf(const AxisAngle& r) {
    const double s = std::sin(r.angle / 2);
    return dg::Quaternion<T>(T(r.axis.x * s), T(r.axis.y * s), T(r.axis.z * s), T(std::cos(r.angle / 2)));
}

// A point placed by a location, rotated by the Rodrigues matrix of its quaternion's axis and angle.
V3 Place(const dg::Location& loc, const V3& p) {
    const auto& q = loc.GetRotation();
    const double sinHalf = std::sqrt(q.q0 * q.q0 + q.q1 * q.q1 + q.q2 * q.q2), s = loc.GetScale();
    const M3 r = Rodrigues(sinHalf == 0 ? AxisAngle{{1, 0, 0}, 0}
                                        : AxisAngle{{q.q0 / sinHalf, q.q1 / sinHalf, q.q2 / sinHalf},
                                                    2 * std::atan2(sinHalf, q.q3)});
    const auto& t = loc.GetTranslation();
    return V3{s * (r[0][0] * p.x + r[0][1] * p.y + r[0][2] * p.z) + t.x,
              s * (r[1][0] * p.x + r[1][1] * p.y + r[1][2] * p.z) + t.y,
              s * (r[2][0] * p.x + r[2][1] * p.y + r[2][2] * p.z) + t.z};
}

V3 Transform(const dg::DMat44& m, const V3& p) {
    return V3{p.x * m[0] + p.y * m[4] + p.z * m[8] + m[12], p.x * m[1] + p.y * m[5] + p.z * m[9] + m[13],
              p.x * m[2] + p.y * m[6] + p.z * m[10] + m[14]};
}

template <class P>
void ExpectNear(const V3& expected, const P& actual, double tol) {
    EXPECT_NEAR(expected.x, actual.x, tol);
    EXPECT_NEAR(expected.y, actual.y, tol);
    EXPECT_NEAR(expected.z, actual.z, tol);
}

class RandomRotations : public ::testing::Test {
  protected:
    AxisAngle NextRotation() {
        std::normal_distribution<double> gauss;
        V3 a{gauss(m_rng), gauss(m_rng), gauss(m_rng)};
        const double n = std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z);
        return AxisAngle{V3{a.x / n, a.y / n, a.z / n}, Uniform(0, kPi * 0.999)};
    }
    double Uniform(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(m_rng); }
    V3 Point(double lo, double hi) { return V3{Uniform(lo, hi), Uniform(lo, hi), Uniform(lo, hi)}; }

    std::mt19937 m_rng{20240601};
};

// --- Decomposition -------------------------------------------------------------------------------

TEST_F(RandomRotations, DecompositionRecoversTranslationRotationAndScale) {
    // The identity, half turns (w = 0, where q and -q are both canonical) and a quarter turn first.
    const AxisAngle fixed[] = {
        {{1, 0, 0}, 0}, {{1, 0, 0}, kPi}, {{0, 1, 0}, kPi}, {{0, 0, 1}, kPi}, {{0, 0, 1}, kPi / 2}};
    for (int i = 0; i < 505; ++i) {
        SCOPED_TRACE(i);
        const AxisAngle r = i < 5 ? fixed[i] : NextRotation();
        const V3 scale = Point(0.1, 10), t = Point(-100, 100);
        dg::FPoint3D translation;
        dg::Quaternion<float> q;
        dg::FVec3 s;
        ASSERT_TRUE(MakeMatrix(r, scale, t).GetDecomposition(translation, q, s));
        ExpectNear(t, translation, 1e-4);
        ExpectNear(scale, s, 1e-3);
        const auto e = QuaternionOf<double>(r);
        const double sign = e.q0 * q.q0 + e.q1 * q.q1 + e.q2 * q.q2 + e.q3 * q.q3 < 0 ? -1 : 1;
        ExpectNear(V3{e.q0, e.q1, e.q2}, V3{sign * q.q0, sign * q.q1, sign * q.q2}, 2e-5);
        EXPECT_NEAR(e.q3, sign * q.q3, 2e-5);
        EXPECT_GE(q.q3, 0.0f);
    }
}

// A matrix without a split leaves the outputs untouched; rounding noise still splits.
TEST(Decomposition, RefusesMatricesWithoutASplit) {
    // What the matrix has, the element set and its value, and whether it decomposes.
    const std::tuple<const char*, int, float, bool> cases[] = {
        {"shear of y along x", 4, 0.5f, false},
        {"singular x axis", 0, 0.0f, false},
        {"projective column", 3, 0.1f, false},
        {"homogeneous weight", 15, 2.0f, false},
        {"reflection", 10, -1.0f, false},
        {"rounding noise on the projective column", 7, 1e-7f, true},
        {"rounding noise off the diagonal", 2, 1e-6f, true},
    };
    for (const auto& [what, index, value, decomposes] : cases) {
        dg::FMat44 m;
        m[index] = value;
        dg::FPoint3D t(9, 9, 9);
        dg::Quaternion<float> q(9, 9, 9, 9);
        dg::FVec3 s(9, 9, 9);
        EXPECT_EQ(decomposes, m.GetDecomposition(t, q, s)) << what;
        EXPECT_TRUE(decomposes || s == dg::FVec3(9, 9, 9)) << what;
    }
}

// --- Location ------------------------------------------------------------------------------------

// A location composed with its parent's matrix places points like both in turn, and the matrix of a
// location places points as its quaternion does.
TEST_F(RandomRotations, ComposedLocationPlacesPointsLikeBothInTurn) {
    const auto randomLocation = [this] {
        const V3 t = Point(-10, 10);
        return dg::Location(dg::DPoint3D(t.x, t.y, t.z), QuaternionOf<float>(NextRotation()),
                            float(Uniform(0.2, 5)));
    };
    for (int i = 0; i < 300; ++i) {
        SCOPED_TRACE(i);
        const dg::Location child = randomLocation(), parent = randomLocation();
        dg::DMat44 m, own;
        parent.GetXform(m);
        child.GetXform(own);
        const dg::Location placed = child * m;
        EXPECT_GE(placed.GetRotation().q3, 0.0f);
        const V3 p = Point(-1, 1);
        ExpectNear(Place(parent, Place(child, p)), Place(placed, p), 1e-3);
        ExpectNear(Place(child, p), Transform(own, p), 1e-5);
    }
}

TEST(Location, ShearedParentStillGivesTheComposedTranslation) {
    dg::DMat44 sheared;
    sheared[4] = 0.5;  // y picks up x
    sheared[13] = 7;
    const dg::Location placed = dg::Location(dg::DPoint3D(0, 2, 0), dg::Quaternion<float>(), 1) * sheared;
    ExpectNear((V3{1, 9, 0}), placed.GetTranslation(), 1e-12);
    EXPECT_NEAR(1.0, placed.GetScale(), 1e-6);  // the shear keeps the volume
}

}  // namespace
