// The builder's values: numbers read bit for bit as sscanf reads them, locations, boxes and views
// checked against independent formulas (tests/support).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "dg/LengthUnit.h"
#include "ed/builder/BuilderValues.h"
#include "ed/builder/NumberScan.h"
#include "ed/builder/ViewInterpreters.h"
#include "ed/reader/Parser.h"
#include "kxk/ComponentNode.h"
#include "kxk/Structure.h"
#include "kxk/ViewPoint.h"
#include "support/Rotation.h"

namespace {

using ed::NodeSettings;

// Plain decimals must read bit for bit as sscanf reads them, in both precisions. Every other one has
// few significant digits behind many zeros, where the fast path's bounds on the scale decide.
TEST(NumberScanTest, PlainDecimalsReadAsScanfReadsThem) {
    std::mt19937_64 random(7);
    for (int i = 0; i < 200000; ++i) {
        char text[64];
        const bool small = i % 2;
        const int digits = 1 + static_cast<int>(random() % (small ? 24 : 12));
        const int length = std::snprintf(
            text, sizeof text, "%s%llu.%0*llu", random() % 2 ? "-" : "",
            static_cast<unsigned long long>(small ? 0 : random() % 10000000), digits,
            static_cast<unsigned long long>(random() % (small ? 1ULL << 24 : 1000000000000ULL)));
        // Every eighth without the digits before the point, every eighth without those after it.
        char* const point = std::strchr(text, '.');
        char* const integer = text + (text[0] == '-');
        if (i % 8 == 2) std::memmove(integer, point, static_cast<size_t>(text + length + 1 - point));
        if (i % 8 == 4) point[1] = '\0';
        float f = 0, expectedF = 0;
        double d = 0, expectedD = 0;
        std::sscanf(text, " %f", &expectedF);
        std::sscanf(text, " %lf", &expectedD);
        ed::NumberScan floats(text), doubles(text);
        ASSERT_TRUE(floats.Next(f)) << text;
        ASSERT_TRUE(doubles.Next(d)) << text;
        ASSERT_EQ(0, std::memcmp(&f, &expectedF, sizeof f)) << text;
        ASSERT_EQ(0, std::memcmp(&d, &expectedD, sizeof d)) << text;
    }
}

TEST(NumberScanTest, StopsBehindEachNumberAsPercentNDoes) {
    ed::NumberScan scan(" 1 -2.5\t+3  x");
    float a, b, c;
    ASSERT_TRUE(scan.Next(a) && scan.Next(b) && scan.Next(c));
    EXPECT_EQ(1.0f, a);
    EXPECT_EQ(-2.5f, b);
    EXPECT_EQ(3.0f, c);
    EXPECT_EQ(10, scan.Consumed());
    EXPECT_FALSE(scan.AtEnd());
    float negativeZero;
    ASSERT_TRUE(ed::NumberScan("-0").Next(negativeZero));
    EXPECT_TRUE(std::signbit(negativeZero));
}

// Everything else is left to sscanf.
TEST(NumberScanTest, RefusesWhatIsNotPlain) {
    for (const char* text : {"", "  ", ".", "-.", "1e5", "1.e5", "0x10", "inf", "nan", "12abc", "--1",
                             "1.2.3", "-", "1,5", "1000000000000000000000000000000000000000000000000000"}) {
        float f;
        EXPECT_FALSE(ed::NumberScan(text).Next(f)) << text;
    }
    double d;
    EXPECT_TRUE(ed::NumberScan("123456789012345678901234567890.5").Next(d));
    EXPECT_EQ(std::strtod("123456789012345678901234567890.5", nullptr), d);
}

void ExpectSameRotation(const edtest::Mat3& expected, const edtest::Mat3& actual, const std::string& label) {
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            EXPECT_NEAR(expected.m[i][j], actual.m[i][j], 2e-6) << label << " " << i << j;
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
        ExpectSameRotation(edtest::FromAngles(a[0], a[1], a[2]),
                           edtest::FromQuaternion(q.q0, q.q1, q.q2, q.q3), text);
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
        const float f = static_cast<float>(dg::LengthUnit::ToMeters(c.unit, 1.0, 1));
        EXPECT_EQ(dg::FPoint3D(0, 0, 0), settings.box.min) << c.text;
        EXPECT_FLOAT_EQ(10 * f, settings.box.max.x) << c.text;
        EXPECT_FLOAT_EQ(20 * f, settings.box.max.y) << c.text;
        EXPECT_FLOAT_EQ(30 * f, settings.box.max.z) << c.text;
    }
}

// The camera looks the other way: a view's orientation is the inverse of its matrix's rotation.
TEST(BuilderValuesTest, ViewOrientationIsTheInverseRotation) {
    // 40 degrees about the axis (1, 2, 2) / 3, stored transposed: the host multiplies row vectors.
    const double half = 20 * 3.14159265358979323846 / 180;
    const double x = std::sin(half) / 3, y = 2 * std::sin(half) / 3, z = y, w = std::cos(half);
    const edtest::Mat3 r = edtest::FromQuaternion(x, y, z, w);
    std::string text;
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 4; ++col)
            text += std::to_string(row < 3 && col < 3 ? r.m[col][row]
                                                      : (row == col             ? 1
                                                         : row == 3 && col == 0 ? 5
                                                                                : 0)) +
                    " ";
    ed::PropertyInfo view;
    view.values.push_back(du::Symbol(text + "Side"));
    du::SmartPtr<kxk::Structure> structure(new kxk::Structure);
    du::SmartPtr<kxk::ComponentNode> node;
    structure->CreateComponentNode(du::Symbol("Root"), 0, node);
    ASSERT_TRUE(ed::AddViewPoints(view, node));
    ASSERT_EQ(1u, node->GetViewPoints().size());
    EXPECT_EQ(du::Symbol("Side"), node->GetViewPoints()[0]->GetName());
    const dg::Quaternion<float>& q = node->GetViewPoints()[0]->GetOrientation();
    EXPECT_NEAR(-x, q.q0, 1e-5);
    EXPECT_NEAR(-y, q.q1, 1e-5);
    EXPECT_NEAR(-z, q.q2, 1e-5);
    EXPECT_NEAR(w, q.q3, 1e-5);
}

}  // namespace
