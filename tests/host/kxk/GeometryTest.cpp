// Geometry values checked against independent computations: rotation matrices from the axis-angle
// (Rodrigues) formula and point rotation by quaternion products, never the code's own matrix formulas.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "dg/LengthUnit.h"
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
template <class M>
M MakeMatrix(const AxisAngle& r, const double scale[3], const V3& t) {
    double rot[3][3];
    Rodrigues(r, rot);
    M m;
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

dg::Quaternion<double> Multiply(const dg::Quaternion<double>& a, const dg::Quaternion<double>& b) {
    return dg::Quaternion<double>(a.q3 * b.q0 + a.q0 * b.q3 + a.q1 * b.q2 - a.q2 * b.q1,
                                  a.q3 * b.q1 - a.q0 * b.q2 + a.q1 * b.q3 + a.q2 * b.q0,
                                  a.q3 * b.q2 + a.q0 * b.q1 - a.q1 * b.q0 + a.q2 * b.q3,
                                  a.q3 * b.q3 - a.q0 * b.q0 - a.q1 * b.q1 - a.q2 * b.q2);
}

// v rotated by q as q v q*.
V3 Rotate(const dg::Quaternion<double>& q, const V3& v) {
    dg::Quaternion<double> p(v.x, v.y, v.z, 0), conj(-q.q0, -q.q1, -q.q2, q.q3);
    dg::Quaternion<double> r = Multiply(Multiply(q, p), conj);
    return V3{r.q0, r.q1, r.q2};
}

// A point placed by a location, by quaternion rotation rather than by matrix.
V3 Place(const dg::Location& loc, const V3& p) {
    const auto& f = loc.GetRotation();
    dg::Quaternion<double> q(f.q0, f.q1, f.q2, f.q3);
    double n = std::sqrt(q.q0 * q.q0 + q.q1 * q.q1 + q.q2 * q.q2 + q.q3 * q.q3);
    q = dg::Quaternion<double>(q.q0 / n, q.q1 / n, q.q2 / n, q.q3 / n);
    double s = loc.GetScale();
    V3 r = Rotate(q, V3{p.x * s, p.y * s, p.z * s});
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

#define EXPECT_V3_NEAR(expected, actual, tol) \
    do {                                      \
        V3 e_ = (expected);                   \
        auto a_ = (actual);                   \
        EXPECT_NEAR(e_.x, a_.x, tol);         \
        EXPECT_NEAR(e_.y, a_.y, tol);         \
        EXPECT_NEAR(e_.z, a_.z, tol);         \
    } while (0)

#define EXPECT_QUAT_NEAR(expected, actual, tol) \
    do {                                        \
        auto e_ = (expected);                   \
        auto a_ = (actual);                     \
        EXPECT_NEAR(e_.q0, a_.q0, tol);         \
        EXPECT_NEAR(e_.q1, a_.q1, tol);         \
        EXPECT_NEAR(e_.q2, a_.q2, tol);         \
        EXPECT_NEAR(e_.q3, a_.q3, tol);         \
    } while (0)

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
    for (int i = 0; i < 500; ++i) {
        AxisAngle r = NextRotation();
        double scale[3] = {Uniform(0.1, 10), Uniform(0.1, 10), Uniform(0.1, 10)};
        V3 t{Uniform(-100, 100), Uniform(-100, 100), Uniform(-100, 100)};
        dg::FMat44 m = MakeMatrix<dg::FMat44>(r, scale, t);
        dg::FPoint3D translation;
        dg::Quaternion<float> rotation;
        dg::FVec3 s;
        ASSERT_TRUE(m.GetDecomposition(translation, rotation, s)) << "case " << i;
        SCOPED_TRACE(i);
        EXPECT_V3_NEAR(t, translation, 1e-4);
        EXPECT_V3_NEAR((V3{scale[0], scale[1], scale[2]}), s, 1e-4 * 10);
        EXPECT_QUAT_NEAR(QuaternionOf(r), rotation, 2e-5);
        EXPECT_GE(rotation.q3, 0.0f);
    }
}

TEST(Decomposition, HalfTurnsAndIdentity) {
    struct Case {
        AxisAngle rotation;
        dg::Quaternion<double> expected;
    };
    const Case cases[] = {
        {{{1, 0, 0}, 0}, {0, 0, 0, 1}},
        {{{1, 0, 0}, kPi}, {1, 0, 0, 0}},
        {{{0, 1, 0}, kPi}, {0, 1, 0, 0}},
        {{{0, 0, 1}, kPi}, {0, 0, 1, 0}},
        {{{0, 0, 1}, kPi / 2}, {0, 0, std::sqrt(0.5), std::sqrt(0.5)}},
    };
    const double unit[3] = {1, 1, 1};
    for (const Case& c : cases) {
        dg::FMat44 m = MakeMatrix<dg::FMat44>(c.rotation, unit, V3{0, 0, 0});
        dg::FPoint3D t;
        dg::Quaternion<float> q;
        dg::FVec3 s;
        ASSERT_TRUE(m.GetDecomposition(t, q, s));
        // A half turn has w = 0, where q and -q are both canonical.
        double sign = (q.q0 * c.expected.q0 + q.q1 * c.expected.q1 + q.q2 * c.expected.q2 < 0) ? -1 : 1;
        EXPECT_QUAT_NEAR(c.expected, (dg::Quaternion<double>(sign * q.q0, sign * q.q1, sign * q.q2, q.q3)),
                         1e-6);
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
        if (!c.decomposes) {
            EXPECT_EQ(dg::FVec3(9, 9, 9), s) << c.what << ": outputs untouched";
        }
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
        EXPECT_V3_NEAR(Place(parent, Place(child, p)), Place(placed, p), 1e-3);
        // The matrix of a location places points as the quaternion does.
        dg::DMat44 own;
        child.GetXform(own);
        EXPECT_V3_NEAR(Place(child, p), Transform(own, p), 1e-5);
    }
}

TEST(Location, ShearedParentStillGivesTheComposedTranslation) {
    dg::DMat44 sheared;
    sheared[4] = 0.5;  // y picks up x
    sheared[13] = 7;
    dg::Location child(dg::DPoint3D(0, 2, 0), dg::Quaternion<float>(), 1);
    dg::Location placed = child * sheared;
    EXPECT_V3_NEAR((V3{1, 9, 0}), placed.GetTranslation(), 1e-12);
    EXPECT_NEAR(1.0, placed.GetScale(), 1e-6);  // the shear keeps the volume
}

// --- Value constants -----------------------------------------------------------------------------

TEST(LengthUnit, MetresPerUnitRaisedToThePower) {
    struct Case {
        dg::LengthUnit::Code code;
        double value;
        int power;
        double metres;
    };
    const Case cases[] = {
        {dg::LengthUnit::METER, 1, 1, 1},          {dg::LengthUnit::CENTIMETER, 1, 1, 0.01},
        {dg::LengthUnit::MILLIMETER, 1, 1, 0.001}, {dg::LengthUnit::INCH, 1, 1, 0.0254},
        {dg::LengthUnit::INCH, 10, 1, 0.254},      {dg::LengthUnit::MILLIMETER, 3, 2, 3e-6},
        {dg::LengthUnit::CENTIMETER, 1, 3, 1e-6},  {dg::LengthUnit::METER, 5, 0, 5},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(c.metres, dg::LengthUnit::ToMeters(c.code, c.value, c.power), 1e-15) << c.code;
}

}  // namespace
