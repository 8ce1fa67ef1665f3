#include <cmath>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "data/RatioAndPeak.h"

namespace {
TEST(RatioPercent, DividesInSinglePrecisionThenScales) {
    EXPECT_DOUBLE_EQ(RatioPercent(50.0f, 200.0f), 25.0);
    EXPECT_EQ(RatioPercent(123.4f, 123.4f), 100.0);
    // 1/3 in float, widened: not the double quotient.
    EXPECT_EQ(RatioPercent(1.0f, 3.0f), static_cast<double>(1.0f / 3.0f) * 100.0);
    EXPECT_NE(RatioPercent(1.0f, 3.0f), 100.0 / 3.0);
}

TEST(RatioPercent, ZeroReferenceIsNotGuarded) {
    EXPECT_TRUE(std::isnan(RatioPercent(0.0f, 0.0f)));
    EXPECT_EQ(RatioPercent(5.0f, 0.0f), std::numeric_limits<double>::infinity());
    EXPECT_EQ(RatioPercent(-5.0f, 0.0f), -std::numeric_limits<double>::infinity());
}

TEST(Absorptance, ExamplesAndGuards) {
    EXPECT_NEAR(Absorptance(50.0f, 200.0f), 0.60206, 1e-5);
    EXPECT_DOUBLE_EQ(Absorptance(0.5f, 100.0f), 2.0);  // a sample below 1 counts as 1
    EXPECT_DOUBLE_EQ(Absorptance(0.0f, 1000.0f), 3.0);
    EXPECT_EQ(Absorptance(200.0f, 200.0f), 0.0);
    EXPECT_LT(Absorptance(400.0f, 200.0f), 0.0);
    EXPECT_EQ(Absorptance(10.0f, 0.0f), 0.0);
    EXPECT_EQ(Absorptance(10.0f, -5.0f), 0.0);
    EXPECT_EQ(Absorptance(10.0f, std::numeric_limits<float>::quiet_NaN()), 0.0);
}

TEST(Absorptance, QuotientTakenInDouble) {
    const float s = 3.0f, ref = 7.0f;
    EXPECT_EQ(Absorptance(s, ref), -std::log10(3.0 / 7.0));
}

struct PeakCase {
    std::vector<float> values;
    int pointCount;
    float value;
    int wavelength;
    int firstWavelength = 340;  // of the device's grid
};

class FindPeakTable : public ::testing::TestWithParam<PeakCase> {};

TEST_P(FindPeakTable, StrictlyGreaterFromZero) {
    const PeakCase& c = GetParam();
    const Peak peak = FindPeak(c.values, c.pointCount, c.firstWavelength);
    EXPECT_EQ(peak.value, c.value);
    EXPECT_EQ(peak.wavelength, c.wavelength);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FindPeakTable,
    ::testing::Values(PeakCase{{3, 7, 7, 2}, 4, 7, 341},  // ties keep the shortest wavelength
                      PeakCase{{0, 0, 0}, 3, 0, 340}, PeakCase{{-3, -1, -2}, 3, 0, 340},
                      PeakCase{{1, 2, 9}, 2, 2, 341},  // only pointCount values count
                      PeakCase{{5}, 0, 0, 340},
                      // on the device's own grid: near-infrared, ultraviolet
                      PeakCase{{1, 5, 2}, 3, 5, 641, 640}, PeakCase{{0, 0}, 2, 0, 190, 190}));
}  // namespace
