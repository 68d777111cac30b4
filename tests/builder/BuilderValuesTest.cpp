#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "dg/LengthUnit.h"
#include "ed/builder/BuilderValues.h"

namespace {

using ed::NodeSettings;

constexpr double kPi = 3.14159265358979323846;

// 3x3 rotation acting on column vectors, in double.
struct Mat3 {
    double m[3][3];
};

Mat3 Multiply(const Mat3& a, const Mat3& b) {
    Mat3 r{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k) r.m[i][j] += a.m[i][k] * b.m[k][j];
    return r;
}

// Rz * Ry * Rx from angles in degrees: rotate about X first, then Y, then Z (fixed axes).
Mat3 FromAngles(double rx, double ry, double rz) {
    const double x = rx * kPi / 180, y = ry * kPi / 180, z = rz * kPi / 180;
    const Mat3 Rx{{{1, 0, 0}, {0, std::cos(x), -std::sin(x)}, {0, std::sin(x), std::cos(x)}}};
    const Mat3 Ry{{{std::cos(y), 0, std::sin(y)}, {0, 1, 0}, {-std::sin(y), 0, std::cos(y)}}};
    const Mat3 Rz{{{std::cos(z), -std::sin(z), 0}, {std::sin(z), std::cos(z), 0}, {0, 0, 1}}};
    return Multiply(Rz, Multiply(Ry, Rx));
}

// The rotation a unit quaternion (x, y, z, w) applies to column vectors.
Mat3 FromQuaternion(const dg::Quaternion<float>& q) {
    const double x = q.q0, y = q.q1, z = q.q2, w = q.q3;
    return Mat3{{{1 - 2 * (y * y + z * z), 2 * (x * y - z * w), 2 * (x * z + y * w)},
                 {2 * (x * y + z * w), 1 - 2 * (x * x + z * z), 2 * (y * z - x * w)},
                 {2 * (x * z - y * w), 2 * (y * z + x * w), 1 - 2 * (x * x + y * y)}}};
}

void ExpectSameRotation(const Mat3& expected, const Mat3& actual, const std::string& label) {
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            EXPECT_NEAR(expected.m[i][j], actual.m[i][j], 2e-6) << label << " " << i << j;
}

double Meters(dg::LengthUnit::Code code) {
    return dg::LengthUnit::ToMeters(code, 1.0, 1);
}

TEST(BuilderValuesTest, RotationMatchesFixedAxisProductWithNonNegativeW) {
    const float angles[][3] = {{90, 0, 0},      {0, 90, 0},  {0, 0, 90},     {30, 45, 60},
                               {-120, 10, 170}, {0, 0, 350}, {200, 200, 200}};
    for (const auto& a : angles) {
        NodeSettings settings;
        const std::string text =
            std::to_string(a[0]) + " " + std::to_string(a[1]) + " " + std::to_string(a[2]);
        ASSERT_TRUE(ed::ReadLocation(text.c_str(), 0.001f, settings)) << text;
        const dg::Quaternion<float>& q = settings.location.GetRotation();
        EXPECT_GE(q.q3, 0) << text;
        ExpectSameRotation(FromAngles(a[0], a[1], a[2]), FromQuaternion(q), text);
    }
}

TEST(BuilderValuesTest, LocationStages) {
    struct Case {
        const char* text;
        bool accepted;
        bool set;
        double tx;  // expected X translation in metres, parent unit millimetres
        float scale;
    };
    const double mm = static_cast<double>(0.001f);
    const Case cases[] = {
        {"90 0 0", true, true, 0, 1},
        {"0 0 0 0 0 0 0", true, false, 0, 1},  // scale 0 reads as 1: identity
        {"0 0 0 0 0 0 1", true, false, 0, 1},
        {"0 0 90 ", true, true, 0, 1},  // one character after the angles is ignored
        {"0 0 0 10 0 0", true, true, 10 * mm, 1},
        {"0 0 0 10 0 0 2", true, true, 10 * mm, 2},
        {"0 0 0 5", false, false, 0, 1},  // the translation needs three numbers
        {"0 0 0 10 0 0 x", false, false, 0, 1},
        {"0 0 0 10 0 0  ", false, false, 0, 1},  // two characters follow but no scale reads
        {"", false, false, 0, 1},
    };
    for (const Case& c : cases) {
        NodeSettings settings;
        EXPECT_EQ(c.accepted, ed::ReadLocation(c.text, 0.001f, settings)) << c.text;
        EXPECT_EQ(c.accepted, settings.locationGiven) << c.text;
        EXPECT_EQ(c.set, settings.locationSet) << c.text;
        if (!c.set) {
            EXPECT_EQ(dg::Location::IDENTITY, settings.location) << c.text;
            continue;
        }
        EXPECT_EQ(c.tx, settings.location.GetTranslation().x) << c.text;
        EXPECT_EQ(c.scale, settings.location.GetScale()) << c.text;
    }
}

TEST(BuilderValuesTest, Colors) {
    struct Case {
        const char* text;
        bool accepted;
        dg::Color color;
        bool opaque;
    };
    const Case cases[] = {
        {"1 0 0", true, {1, 0, 0, 1}, false},
        {"1 0 0 1", true, {1, 0, 0, 1}, true},
        {"1 0 0 0.9", true, {1, 0, 0, 0.25f}, false},
        {"0.5 0.5 0.5 0", true, {0.5f, 0.5f, 0.5f, 0.25f}, false},
        {"1 0 0 7", true, {1, 0, 0, 1}, false},
        {"2 -1 300", true, {2, -1, 300, 1}, false},  // no range check
        {"1 0", false, {0, 0, 0, 1}, false},
        {"red", false, {0, 0, 0, 1}, false},
    };
    for (const Case& c : cases) {
        NodeSettings settings;
        EXPECT_EQ(c.accepted, ed::ReadColor(c.text, settings)) << c.text;
        EXPECT_EQ(c.accepted, settings.colorGiven) << c.text;
        EXPECT_EQ(c.color, settings.color) << c.text;
        EXPECT_EQ(c.opaque, settings.opaque) << c.text;
    }
}

TEST(BuilderValuesTest, BoxUnitIsKnownByItsBeginning) {
    struct Case {
        const char* text;
        bool accepted;
        dg::LengthUnit::Code unit;
    };
    const Case cases[] = {
        {"0 0 0 10 20 30", true, dg::LengthUnit::MILLIMETER},
        {"0 0 0 10 20 30 INCH", true, dg::LengthUnit::INCH},
        {"0 0 0 10 20 30\tCM", true, dg::LengthUnit::CENTIMETER},
        {"0 0 0 10 20 30 M", true, dg::LengthUnit::METER},
        {"0 0 0 10 20 30 MM", true, dg::LengthUnit::METER},
        {"0 0 0 10 20 30 Miles", true, dg::LengthUnit::METER},
        {"0 0 0 10 20 30 INC", true, dg::LengthUnit::MILLIMETER},
        {"0 0 0 10 20 30 cm", true, dg::LengthUnit::MILLIMETER},
        {"0 0 0 10 20", false, dg::LengthUnit::MILLIMETER},
    };
    for (const Case& c : cases) {
        NodeSettings settings;
        EXPECT_EQ(c.accepted, ed::ReadBBox(c.text, settings)) << c.text;
        EXPECT_EQ(c.accepted, settings.boxGiven) << c.text;
        if (!c.accepted) continue;
        const float f = static_cast<float>(Meters(c.unit));
        EXPECT_EQ(dg::FPoint3D(0, 0, 0), settings.box.min) << c.text;
        EXPECT_FLOAT_EQ(10 * f, settings.box.max.x) << c.text;
        EXPECT_FLOAT_EQ(20 * f, settings.box.max.y) << c.text;
        EXPECT_FLOAT_EQ(30 * f, settings.box.max.z) << c.text;
    }
}

TEST(BuilderValuesTest, IndexRenderEnableAndLengthUnit) {
    struct Case {
        bool (*read)(const char*, NodeSettings&);
        const char* text;
        bool accepted;
    };
    const Case cases[] = {
        {&ed::ReadShapeSourceIndex, " 7", true},  {&ed::ReadShapeSourceIndex, "3x", false},
        {&ed::ReadShapeSourceIndex, "-1", false}, {&ed::ReadRenderEnable, " 5 x", true},
        {&ed::ReadRenderEnable, "on", false},     {&ed::ReadLengthUnit, "INCH", true},
        {&ed::ReadLengthUnit, "mm", false},       {&ed::ReadLengthUnit, "M ", false},
    };
    for (const Case& c : cases) {
        NodeSettings settings;
        EXPECT_EQ(c.accepted, c.read(c.text, settings)) << c.text;
    }
}

}  // namespace
