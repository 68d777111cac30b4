#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "ed/builder/NumberScan.h"

namespace {

// Plain decimals must read bit for bit as sscanf reads them, in both precisions. Every other one has
// few significant digits behind many zeros, where the fast path's bounds on the scale decide.
TEST(NumberScanTest, PlainDecimalsReadAsScanfReadsThem) {
    std::mt19937_64 random(7);
    for (int i = 0; i < 200000; ++i) {
        char text[64];
        const bool small = i % 2;
        const int digits = 1 + static_cast<int>(random() % (small ? 24 : 12));
        std::snprintf(text, sizeof text, "%s%llu.%0*llu", random() % 2 ? "-" : "",
                      static_cast<unsigned long long>(small ? 0 : random() % 10000000), digits,
                      static_cast<unsigned long long>(random() % (small ? 1ULL << 24 : 1000000000000ULL)));
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
    for (const char* text : {"", "  ", "1e5", "1.", ".5", "0x10", "inf", "nan", "12abc", "--1", "1.2.3", "-",
                             "1,5", "1000000000000000000000000000000000000000000000000000"}) {
        float f;
        EXPECT_FALSE(ed::NumberScan(text).Next(f)) << text;
    }
    double d;
    EXPECT_TRUE(ed::NumberScan("123456789012345678901234567890.5").Next(d));
    EXPECT_EQ(std::strtod("123456789012345678901234567890.5", nullptr), d);
}

}  // namespace
