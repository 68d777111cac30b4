// Geometry values checked against independent computations: rotation matrices from the axis-angle
// (Rodrigues) formula and point rotation by quaternion products, never the code's own matrix formulas.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

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

// Column-vector rotation matrix by Rodrigues: R = cos t I + sin t [k]x + (1 - cos t) k k^T.
void Rodrigues(const AxisAngle& r, double out[3][3]) {
    double c = std::cos(r.angle), s = std::sin(r.angle), t = 1 - c;
    double k[3] = {r.axis.x, r.axis.y, r.axis.z};
    double cross[3][3] = {{0, -k[2], k[1]}, {k[2], 0, -k[0]}, {-k[1], k[0], 0}};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) out[i][j] = (i == j ? c : 0) + s * cross[i][j] + t * k[i] * k[j];
}

// Row-vector storage of scale, then rotation, then translation.
dg::FMat44 MakeMatrix(const AxisAngle& r, const double scale[3], const V3& t) {
    double rot[3][3];
    Rodrigues(r, rot);
    dg::FMat44 m;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) m[4 * i + j] = scale[i] * rot[j][i];
    m[12] = t.x;
    m[13] = t.y;
    m[14] = t.z;
    return m;
}

dg::Quaternion<double> QuaternionOf(const AxisAngle& r) {
    double s = std::sin(r.angle / 2);
    dg::Quaternion<double> q(r.axis.x * s, r.axis.y * s, r.axis.z * s, std::cos(r.angle / 2));
    if (q.q3 < 0) q = dg::Quaternion<double>(-q.q0, -q.q1, -q.q2, -q.q3);
    return q;
}

// v rotated by the unit quaternion q, through the Rodrigues matrix of its axis and angle.
V3 Rotate(const dg::Quaternion<double>& q, const V3& v) {
    const double sinHalf = std::sqrt(q.q0 * q.q0 + q.q1 * q.q1 + q.q2 * q.q2);
    if (sinHalf == 0) return v;
    double r[3][3];
    Rodrigues(AxisAngle{V3{q.q0 / sinHalf, q.q1 / sinHalf, q.q2 / sinHalf}, 2 * std::atan2(sinHalf, q.q3)},
              r);
    return V3{r[0][0] * v.x + r[0][1] * v.y + r[0][2] * v.z, r[1][0] * v.x + r[1][1] * v.y + r[1][2] * v.z,
              r[2][0] * v.x + r[2][1] * v.y + r[2][2] * v.z};
}

// A point placed by a location, by its rotation's axis and angle rather than by its matrix.
V3 Place(const dg::Location& loc, const V3& p) {
    const auto& f = loc.GetRotation();
    const double n = std::sqrt(f.q0 * f.q0 + f.q1 * f.q1 + f.q2 * f.q2 + f.q3 * f.q3);
    const double s = loc.GetScale();
    V3 r =
        Rotate(dg::Quaternion<double>(f.q0 / n, f.q1 / n, f.q2 / n, f.q3 / n), V3{p.x * s, p.y * s, p.z * s});
    const auto& t = loc.GetTranslation();
    return V3{r.x + t.x, r.y + t.y, r.z + t.z};
}

V3 Transform(const dg::DMat44& m, const V3& p) {
    return V3{p.x * m[0] + p.y * m[4] + p.z * m[8] + m[12], p.x * m[1] + p.y * m[5] + p.z * m[9] + m[13],
              p.x * m[2] + p.y * m[6] + p.z * m[10] + m[14]};
}

dg::Quaternion<float> ToFloat(const dg::Quaternion<double>& q) {
    return dg::Quaternion<float>(float(q.q0), float(q.q1), float(q.q2), float(q.q3));
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
        double n = std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z);
        std::uniform_real_distribution<double> angle(0, kPi * 0.999);
        return AxisAngle{V3{a.x / n, a.y / n, a.z / n}, angle(m_rng)};
    }
    double Uniform(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(m_rng); }

    std::mt19937 m_rng{20240601};
};

// --- Decomposition -------------------------------------------------------------------------------

TEST_F(RandomRotations, DecompositionRecoversTranslationRotationAndScale) {
    // The identity, half turns (w = 0, where q and -q are both canonical) and a quarter turn first.
    const AxisAngle fixed[] = {
        {{1, 0, 0}, 0}, {{1, 0, 0}, kPi}, {{0, 1, 0}, kPi}, {{0, 0, 1}, kPi}, {{0, 0, 1}, kPi / 2}};
    for (int i = 0; i < 505; ++i) {
        AxisAngle r = i < 5 ? fixed[i] : NextRotation();
        double scale[3] = {Uniform(0.1, 10), Uniform(0.1, 10), Uniform(0.1, 10)};
        V3 t{Uniform(-100, 100), Uniform(-100, 100), Uniform(-100, 100)};
        dg::FPoint3D translation;
        dg::Quaternion<float> q;
        dg::FVec3 s;
        ASSERT_TRUE(MakeMatrix(r, scale, t).GetDecomposition(translation, q, s)) << "case " << i;
        SCOPED_TRACE(i);
        ExpectNear(t, translation, 1e-4);
        ExpectNear((V3{scale[0], scale[1], scale[2]}), s, 1e-4 * 10);
        const dg::Quaternion<double> e = QuaternionOf(r);
        const double sign = e.q0 * q.q0 + e.q1 * q.q1 + e.q2 * q.q2 + e.q3 * q.q3 < 0 ? -1 : 1;
        ExpectNear(V3{e.q0, e.q1, e.q2}, V3{sign * q.q0, sign * q.q1, sign * q.q2}, 2e-5);
        EXPECT_NEAR(e.q3, sign * q.q3, 2e-5);
        EXPECT_GE(q.q3, 0.0f);
    }
}

// --- Decomposition refusals ----------------------------------------------------------------------

TEST(Decomposition, RefusesMatricesWithoutASplit) {
    struct Case {
        const char* what;
        int index;
        float value;
        bool decomposes;
    };
    const Case cases[] = {
        {"shear of y along x", 4, 0.5f, false},
        {"singular x axis", 0, 0.0f, false},
        {"projective column", 3, 0.1f, false},
        {"homogeneous weight", 15, 2.0f, false},
        {"reflection", 10, -1.0f, false},
        {"rounding noise on the projective column", 7, 1e-7f, true},
        {"rounding noise off the diagonal", 2, 1e-6f, true},
    };
    for (const Case& c : cases) {
        dg::FMat44 m;
        m[c.index] = c.value;
        dg::FPoint3D t(9, 9, 9);
        dg::Quaternion<float> q(9, 9, 9, 9);
        dg::FVec3 s(9, 9, 9);
        EXPECT_EQ(c.decomposes, m.GetDecomposition(t, q, s)) << c.what;
        EXPECT_TRUE(c.decomposes || s == dg::FVec3(9, 9, 9)) << c.what << ": outputs untouched";
    }
}

// --- Location ------------------------------------------------------------------------------------

TEST_F(RandomRotations, ComposedLocationPlacesPointsLikeBothInTurn) {
    for (int i = 0; i < 300; ++i) {
        dg::Location child(dg::DPoint3D(Uniform(-10, 10), Uniform(-10, 10), Uniform(-10, 10)),
                           ToFloat(QuaternionOf(NextRotation())), float(Uniform(0.2, 5)));
        dg::Location parent(dg::DPoint3D(Uniform(-10, 10), Uniform(-10, 10), Uniform(-10, 10)),
                            ToFloat(QuaternionOf(NextRotation())), float(Uniform(0.2, 5)));
        dg::DMat44 m;
        parent.GetXform(m);
        dg::Location placed = child * m;
        EXPECT_GE(placed.GetRotation().q3, 0.0f);
        V3 p{Uniform(-1, 1), Uniform(-1, 1), Uniform(-1, 1)};
        SCOPED_TRACE(i);
        ExpectNear(Place(parent, Place(child, p)), Place(placed, p), 1e-3);
        // The matrix of a location places points as the quaternion does.
        dg::DMat44 own;
        child.GetXform(own);
        ExpectNear(Place(child, p), Transform(own, p), 1e-5);
    }
}

TEST(Location, ShearedParentStillGivesTheComposedTranslation) {
    dg::DMat44 sheared;
    sheared[4] = 0.5;  // y picks up x
    sheared[13] = 7;
    dg::Location child(dg::DPoint3D(0, 2, 0), dg::Quaternion<float>(), 1);
    dg::Location placed = child * sheared;
    ExpectNear((V3{1, 9, 0}), placed.GetTranslation(), 1e-12);
    EXPECT_NEAR(1.0, placed.GetScale(), 1e-6);  // the shear keeps the volume
}

}  // namespace
