// Geometry values checked against independent computations: rotation matrices from the textbook
// quaternion formula in double (tests/support), never the code's own matrix or quaternion formulas.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <tuple>

#include "dg/Location.h"
#include "dg/Matrix44.h"
#include "support/Rotation.h"

namespace {

using edtest::Mat3;

struct V3 {
    double x, y, z;
};

Mat3 Rotation(const dg::Quaternion<double>& q) {
    return edtest::FromQuaternion(q.q0, q.q1, q.q2, q.q3);
}

// Row-vector storage of scale, then rotation, then translation.
dg::FMat44 MakeMatrix(const dg::Quaternion<double>& q, const V3& scale, const V3& t) {
    const Mat3 rot = Rotation(q);
    const double s[3] = {scale.x, scale.y, scale.z};
    dg::FMat44 m;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) m[4 * i + j] = s[i] * rot.m[j][i];
    m[12] = t.x;
    m[13] = t.y;
    m[14] = t.z;
    return m;
}

V3 Place(const dg::Location& loc, const V3& p) {
    const auto& q = loc.GetRotation();
    const Mat3 r = Rotation(dg::Quaternion<double>(q.q0, q.q1, q.q2, q.q3));
    const double s = loc.GetScale();
    const auto& t = loc.GetTranslation();
    return V3{s * (r.m[0][0] * p.x + r.m[0][1] * p.y + r.m[0][2] * p.z) + t.x,
              s * (r.m[1][0] * p.x + r.m[1][1] * p.y + r.m[1][2] * p.z) + t.y,
              s * (r.m[2][0] * p.x + r.m[2][1] * p.y + r.m[2][2] * p.z) + t.z};
}

template <class P>
void ExpectNear(const V3& expected, const P& actual, double tol) {
    EXPECT_NEAR(expected.x, actual.x, tol);
    EXPECT_NEAR(expected.y, actual.y, tol);
    EXPECT_NEAR(expected.z, actual.z, tol);
}

class RandomRotations : public ::testing::Test {
  protected:
    // A uniformly random unit quaternion, w not negative.
    dg::Quaternion<double> NextRotation() {
        std::normal_distribution<double> gauss;
        double q[4], n = 0;
        for (double& c : q) {
            c = gauss(m_rng);
            n += c * c;
        }
        n = std::sqrt(n) * (q[3] < 0 ? -1 : 1);
        return dg::Quaternion<double>(q[0] / n, q[1] / n, q[2] / n, q[3] / n);
    }
    double Uniform(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(m_rng); }
    V3 Point(double lo, double hi) { return V3{Uniform(lo, hi), Uniform(lo, hi), Uniform(lo, hi)}; }

    std::mt19937 m_rng{20240601};
};

TEST_F(RandomRotations, DecompositionRecoversTranslationRotationAndScale) {
    // The identity, half turns (w = 0, where q and -q are both canonical) and a quarter turn first.
    const double h = std::sqrt(0.5);
    const dg::Quaternion<double> fixed[] = {
        {0, 0, 0, 1}, {1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, h, h}};
    for (int i = 0; i < 505; ++i) {
        SCOPED_TRACE(i);
        const dg::Quaternion<double> e = i < 5 ? fixed[i] : NextRotation();
        const V3 scale = Point(0.1, 10), t = Point(-100, 100);
        dg::FPoint3D translation;
        dg::Quaternion<float> q;
        dg::FVec3 s;
        ASSERT_TRUE(MakeMatrix(e, scale, t).GetDecomposition(translation, q, s));
        ExpectNear(t, translation, 1e-4);
        ExpectNear(scale, s, 1e-3);
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

// A location composed with its parent's matrix places points like both in turn; the matrices come
// from the locations' own GetXform.
TEST_F(RandomRotations, ComposedLocationPlacesPointsLikeBothInTurn) {
    const auto randomLocation = [this] {
        const V3 t = Point(-10, 10);
        const dg::Quaternion<double> q = NextRotation();
        return dg::Location(dg::DPoint3D(t.x, t.y, t.z),
                            dg::Quaternion<float>(float(q.q0), float(q.q1), float(q.q2), float(q.q3)),
                            float(Uniform(0.2, 5)));
    };
    for (int i = 0; i < 300; ++i) {
        SCOPED_TRACE(i);
        const dg::Location child = randomLocation(), parent = randomLocation();
        dg::DMat44 m;
        parent.GetXform(m);
        const dg::Location placed = child * m;
        EXPECT_GE(placed.GetRotation().q3, 0.0f);
        const V3 p = Point(-1, 1);
        ExpectNear(Place(parent, Place(child, p)), Place(placed, p), 1e-3);
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
