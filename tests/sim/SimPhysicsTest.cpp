// What the simulated light does: exposure, saturation, dark, noise, the LED.
#include <cmath>
#include <numeric>

#include <gtest/gtest.h>

#include "SimTestSupport.h"

namespace {

class SimLight : public ::testing::Test {
  protected:
    SimBench bench{"vis,led"};
    std::unique_ptr<Transport> vis = bench.open(0);
    std::unique_ptr<Transport> led = bench.open(1);

    std::vector<float> spectrum() { return ReadSpectrum(*vis, false, 511); }
    void set(CommandWord w, std::int32_t v) { ASSERT_EQ(Ask(*vis, SettingBytes(w, v)).size(), 2); }

    // Mean of `n` spectra at one point.
    double meanAt(int point, int n = 20) {
        double sum = 0;
        for (int k = 0; k < n; ++k)
            sum += spectrum()[point];
        return sum / n;
    }
    int brightest() {
        const auto s = spectrum();
        return int(std::max_element(s.begin(), s.end()) - s.begin());
    }
};

TEST_F(SimLight, LooksLikeALampWithThePeakInsideTheGrid) {
    const auto s = spectrum();
    const int peak = brightest();
    EXPECT_GT(peak, 60);   // not the first nanometres
    EXPECT_LT(peak, 450);  // nor the last
    EXPECT_GT(s[peak], 20000.0f);
    EXPECT_LT(s[peak], 40000.0f);
}

TEST_F(SimLight, CountsAboveDarkFollowTheExposure) {
    set(CMD_SET_AVERAGING, 100);
    const int peak = brightest();
    const double dark = SimDarkCounts(peak, 10000);
    const double at10ms = meanAt(peak, 5) - dark;
    set(CMD_SET_EXPOSURE, 5000);
    const double at5ms = meanAt(peak, 5) - SimDarkCounts(peak, 5000);
    EXPECT_NEAR(at5ms / at10ms, 0.5, 0.01);
}

TEST_F(SimLight, SaturatesAt65535) {
    set(CMD_SET_EXPOSURE, 1000000);
    const auto s = spectrum();
    const int peak = int(std::max_element(s.begin(), s.end()) - s.begin());
    EXPECT_EQ(s[peak], 65535.0f);
    for (float v : s)
        EXPECT_LE(v, 65535.0f);
}

TEST_F(SimLight, StoreDarkRemovesTheOffset) {
    set(CMD_SET_AVERAGING, 100);
    set(CMD_SET_EXPOSURE, 1);  // practically no light: what is left is the dark
    const double before = meanAt(100, 10);
    EXPECT_NEAR(before, SimDarkCounts(100, 1), 5.0);
    EXPECT_GT(before, 700.0);
    ASSERT_EQ(Ask(*vis, CMD_STORE_DARK).size(), 2);
    EXPECT_TRUE(bench.sim->spectrometer(0)->darkStored());
    EXPECT_LT(meanAt(100, 10), 5.0);
}

TEST_F(SimLight, NoiseShrinksWithTheSquareRootOfAveraging) {
    auto spread = [&](int point) {
        std::vector<double> v;
        for (int k = 0; k < 200; ++k)
            v.push_back(spectrum()[point]);
        const double mean = std::accumulate(v.begin(), v.end(), 0.0) / v.size();
        double sq = 0;
        for (double x : v)
            sq += (x - mean) * (x - mean);
        return std::sqrt(sq / (v.size() - 1));
    };
    const int peak = brightest();
    const double single = spread(peak);
    set(CMD_SET_AVERAGING, 16);
    const double averaged = spread(peak);
    EXPECT_GT(single, 50.0);  // shot noise of ~30000 counts
    EXPECT_NEAR(single / averaged, 4.0, 0.8);
}

TEST_F(SimLight, LedOnBrightensTheSpectrometerAndWarmsUp) {
    set(CMD_SET_AVERAGING, 100);
    const int peak = brightest();
    const double dark = SimDarkCounts(peak, 10000);
    const double off = meanAt(peak, 5) - dark;
    const float cold = At<float>(Ask(*led, LED_GET_TEMPERATURE), 0);
    EXPECT_NEAR(cold, 25.0f, 0.01f);

    ASSERT_EQ(Ask(*led, SettingBytes(LED_SET_STATE, 1)).size(), 2);
    EXPECT_EQ(At<std::int32_t>(Ask(*led, LED_GET_STATE), 0), 1);
    EXPECT_NEAR((meanAt(peak, 5) - dark) / off, SimWorld::LED_GAIN, 0.02);

    bench.clock.advanceMs(60000);  // one time constant
    const float warm = At<float>(Ask(*led, LED_GET_TEMPERATURE), 0);
    EXPECT_NEAR(warm, 25.0 + 20.0 * (1 - std::exp(-1.0)), 0.05);
    bench.clock.advanceMs(600000);
    EXPECT_NEAR(At<float>(Ask(*led, LED_GET_TEMPERATURE), 0), 45.0f, 0.05f);

    Ask(*led, SettingBytes(LED_SET_STATE, 0));
    EXPECT_NEAR((meanAt(peak, 5) - dark) / off, 1.0, 0.02);
    bench.clock.advanceMs(60000);
    EXPECT_NEAR(At<float>(Ask(*led, LED_GET_TEMPERATURE), 0), 25.0 + 20.0 * std::exp(-1.0), 0.05);
}

TEST_F(SimLight, LedOfAnotherSimulationDoesNotShine) {
    SimBench other("led");
    auto otherLed = other.open(0);
    const int peak = brightest();
    set(CMD_SET_AVERAGING, 100);
    const double before = meanAt(peak, 3);
    Ask(*otherLed, SettingBytes(LED_SET_STATE, 1));
    EXPECT_NEAR(meanAt(peak, 3) / before, 1.0, 0.01);
}

TEST_F(SimLight, TemperatureDriftsSlowlyNearRoomTemperature) {
    float lowest = 100, highest = -100, last = At<float>(Ask(*vis, CMD_GET_TEMPERATURE), 0);
    for (int s = 0; s < 1800; s += 10) {
        bench.clock.advanceMs(10000);
        const float t = At<float>(Ask(*vis, CMD_GET_TEMPERATURE), 0);
        EXPECT_LT(std::abs(t - last), 0.3f);  // slow: under 0.3 degrees per 10 s
        lowest = std::min(lowest, t);
        highest = std::max(highest, t);
        last = t;
    }
    EXPECT_GT(lowest, 22.0f);
    EXPECT_LT(highest, 32.0f);
    EXPECT_GT(highest - lowest, 1.0f);  // it does move
}

TEST(SimGrid, EachKindDeliversItsOwnGrid) {
    for (const auto& [devices, points] :
         {std::pair{"nir", 411}, std::pair{"uv", 251}, std::pair{"vis", 511},
          std::pair{"vis:model=K52817QX-03", 411}, std::pair{"nir:model=K52817QX-03 ", 511}}) {
        SimBench bench(devices);
        auto port = bench.open(0);
        EXPECT_EQ(bench.sim->spectrometer(0)->profile().pointCount, points) << devices;
        const auto s = ReadSpectrum(*port, false, points);
        EXPECT_EQ(int(s.size()), points) << devices;
    }
}

TEST(SimGrid, SameSeedGivesSameSpectraAcrossRuns) {
    SimBench a("vis"), b("vis");
    auto pa = a.open(0), pb = b.open(0);
    EXPECT_EQ(ReadSpectrum(*pa, false, 511), ReadSpectrum(*pb, false, 511));
}

}  // namespace
