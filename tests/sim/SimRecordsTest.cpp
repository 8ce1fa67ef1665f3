// Logged records of the LX model and the calibration data a device hands out.
#include <cmath>

#include <gtest/gtest.h>

#include "SimTestSupport.h"

namespace {

TEST(SimLoggedRecords, HandedOutInOrderWithTheRecordLayout) {
    SimBench bench("nir:lx=1:records=3:link=bridge");
    auto port = bench.open(0);
    EXPECT_EQ(At<std::int32_t>(Ask(*port, CMD_GET_STORED_COUNT), 0), 3);
    for (int n = 0; n < 3; ++n) {
        const QByteArray r = Ask(*port, CMD_GET_STORED_RECORD);  // the same word every time
        ASSERT_EQ(r.size(), 2096);
        EXPECT_EQ(At<std::int32_t>(r, 2076), n);
        const auto values = Floats(r.left(2044));
        for (int i = 0; i < 411; ++i)
            ASSERT_GT(values[i], 0.0f) << "record " << n << " point " << i;
        for (int i = 411; i < 511; ++i)
            ASSERT_EQ(values[i], 0.0f);
        EXPECT_GE(At<std::int32_t>(r, 2044), 10000);
        EXPECT_LE(At<std::int32_t>(r, 2044), 99999);  // fits the upload list's width of 5
        EXPECT_NEAR(At<float>(r, 2068), 24.0f, 2.5f);
        EXPECT_NEAR(At<float>(r, 2072), 4.0f, 0.7f);
        EXPECT_EQ(r.mid(2048, 20), QByteArray(20, '\0'));
        EXPECT_EQ(r.mid(2080, 16), QByteArray(16, '\0'));
    }
    // A new upload starts over with the first record.
    EXPECT_EQ(At<std::int32_t>(Ask(*port, CMD_GET_STORED_COUNT), 0), 3);
    EXPECT_EQ(At<std::int32_t>(Ask(*port, CMD_GET_STORED_RECORD), 2076), 0);
}

TEST(SimLoggedRecords, DefaultCountIsTwelveAndRecordsDiffer) {
    SimBench bench("vis:lx=1");
    auto port = bench.open(0);
    EXPECT_EQ(At<std::int32_t>(Ask(*port, CMD_GET_STORED_COUNT), 0), 12);
    const QByteArray first = Ask(*port, CMD_GET_STORED_RECORD);
    const QByteArray second = Ask(*port, CMD_GET_STORED_RECORD);
    EXPECT_NE(first.left(2044), second.left(2044));
}

TEST(SimLoggedRecords, ZeroRecordsAnswerCountButNoRecord) {
    SimBench bench("vis:lx=1:records=0");
    auto port = bench.open(0);
    EXPECT_EQ(At<std::int32_t>(Ask(*port, CMD_GET_STORED_COUNT), 0), 0);
    EXPECT_EQ(Ask(*port, CMD_GET_STORED_RECORD).size(), 0);
}

class SimCalibration : public ::testing::TestWithParam<const char*> {};

TEST_P(SimCalibration, TablesAreConsistentWithTheCoefficients) {
    SimBench bench(GetParam());
    auto port = bench.open(0);
    const SimSensorProfile profile = bench.sim->spectrometer(0)->profile();
    const int pixels = profile.pixelCount;
    const QByteArray coeffBytes = Ask(*port, CMD_GET_CAL_COEFFS);
    ASSERT_EQ(coeffBytes.size(), 48);
    double c[6];
    for (int k = 0; k < 6; ++k)
        c[k] = At<double>(coeffBytes, 8 * k);

    QByteArray table;
    for (int page = 0; page < pixels * 4 / 64; ++page)
        table += Ask(*port, PageWord(CMD_GET_PIXEL_WAVELENGTHS, std::uint8_t(page), pixels * 4));
    const auto nm = Floats(table);
    ASSERT_EQ(int(nm.size()), pixels);
    for (int p = 1; p <= pixels; ++p) {
        double expected = 0;
        for (int k = 5; k >= 0; --k)
            expected = expected * p + c[k];
        EXPECT_NEAR(nm[p - 1], expected, 0.01) << "pixel " << p;
        if (p > 1) {
            EXPECT_GT(nm[p - 1], nm[p - 2]) << "pixel " << p;
        }
    }
    // The pixels cover the delivered grid.
    EXPECT_LT(nm.front(), profile.firstWavelength);
    EXPECT_GT(nm.back(), profile.firstWavelength + profile.pointCount - 1);

    QByteArray gains;
    for (int page = 0; page < pixels * 4 / 64; ++page)
        gains += Ask(*port, PageWord(CMD_GET_PIXEL_GAINS, std::uint8_t(page), pixels * 4));
    for (float g : Floats(gains))
        EXPECT_NEAR(g, 1.0f, 0.05f);

    QByteArray dark;
    for (int page = 0; page < pixels * 8 / 64; ++page)
        dark += Ask(*port, PageWord(CMD_GET_DARK_TABLES, std::uint8_t(page), pixels * 8));
    const auto d = Floats(dark);
    ASSERT_EQ(int(d.size()), 2 * pixels);
    for (int p = 0; p < pixels; ++p)
        EXPECT_GT(d[pixels + p], d[p]);  // 0.5 s darker than 0.05 s
}

INSTANTIATE_TEST_SUITE_P(Kinds, SimCalibration,
                         ::testing::Values("vis:link=bridge", "nir:link=bridge", "uv:link=bridge"));

}  // namespace
