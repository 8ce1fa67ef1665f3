#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "export/CsvCells.h"

namespace {
std::string Fixed(float v) {
    char buf[kMaxFixedChars];
    return std::string(buf, AppendFixed1(buf, v));
}

std::string Printf(float v) {
    char buf[128];
    const int n = std::snprintf(buf, sizeof buf, "%3.1f", static_cast<double>(v));
    return std::string(buf, static_cast<std::size_t>(n));
}

float FromBits(std::uint32_t bits) {
    float v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

TEST(FixedOneDecimal, StatedExamplesAndWidths) {
    EXPECT_EQ(Fixed(25.0f), "25.0");
    EXPECT_EQ(Fixed(5.0f), "5.0");
    EXPECT_EQ(Fixed(1234.56f), "1234.6");
    EXPECT_EQ(Fixed(-0.04f), "-0.0");
    EXPECT_EQ(Fixed(-0.0f), "-0.0");
    EXPECT_EQ(Fixed(0.0f), "0.0");
    EXPECT_EQ(Fixed(-12.25f), "-12.2");  // an exact half rounds to even
    EXPECT_EQ(Fixed(0.25f), "0.2");
    EXPECT_EQ(Fixed(0.75f), "0.8");
    EXPECT_EQ(Fixed(0.05f), "0.1");  // 0.05f lies just above the half
}

TEST(FixedOneDecimal, SpecialValuesAsPrintfWritesThem) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (float v : {inf, -inf, nan, -nan, std::numeric_limits<float>::max(),
                    -std::numeric_limits<float>::max(), std::numeric_limits<float>::denorm_min(),
                    1e14f, 99999999999999.9f, 1e15f, 123456789012345678.0f}) {
        EXPECT_EQ(Fixed(v), Printf(v)) << v;
    }
}

TEST(FixedOneDecimal, MatchesPrintfOnEveryHalfStepAndOnRandomFloats) {
    // Every tenth-and-a-half near zero, where rounding ties sit.
    for (int i = -200000; i <= 200000; ++i) {
        const float v = static_cast<float>(i) * 0.05f;
        ASSERT_EQ(Fixed(v), Printf(v)) << i;
        const float next = std::nextafter(v, 1e30f);
        ASSERT_EQ(Fixed(next), Printf(next)) << i;
    }
    std::mt19937 gen(1234);
    for (int i = 0; i < 1000000; ++i) {
        const float v = FromBits(gen());
        ASSERT_EQ(Fixed(v), Printf(v)) << i;
    }
}

TEST(IntegerCells, PlainAndPaddedToThree) {
    char buf[16];
    EXPECT_EQ(std::string(buf, AppendInt(buf, 340)), "340");
    EXPECT_EQ(std::string(buf, AppendInt(buf, -5)), "-5");
    EXPECT_EQ(std::string(buf, AppendInt3(buf, 5)), "  5");
    EXPECT_EQ(std::string(buf, AppendInt3(buf, -5)), " -5");
    EXPECT_EQ(std::string(buf, AppendInt3(buf, 1050)), "1050");
}

TEST(StampCells, LocalDateAndTimeOrPlaceholders) {
    const StampCells s = StampCellsOf(1710454509);  // 2024-03-15 07:15:09 in Tokyo
    EXPECT_EQ(std::string(s.date, 10), "2024/03/15");
    EXPECT_EQ(std::string(s.time, 8), "07:15:09");
    const StampCells bad = StampCellsOf(std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(std::string(bad.date, 10), "???\?/?\?/??");
    EXPECT_EQ(std::string(bad.time, 8), "??:??:??");
}
}  // namespace
