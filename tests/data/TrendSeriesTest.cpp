#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "data/CmfTable.h"
#include "data/TrendSeries.h"
#include "data/TrendTimeAxis.h"
#include "support/TrendSample.h"

namespace {

struct Trend {
    TrendTable table;
    QString error;
    bool ok;
};

Trend Compute(const MeasurementDataSet& data, std::vector<TrendRequest> requests,
              std::vector<int> devices = {}) {
    Trend t;
    t.ok = ComputeTrend(data, requests, devices, t.table, t.error);
    return t;
}

MeasurementDataSet Sample() {
    MeasurementDataSet data;
    FillTrendSample(data);
    return data;
}

// The values of column c, NaN compared as NaN.
void ExpectValues(const TrendColumn& c, std::vector<double> expected) {
    ASSERT_EQ(c.values.size(), expected.size()) << c.name;
    for (std::size_t r = 0; r < expected.size(); ++r) {
        if (std::isnan(expected[r]))
            EXPECT_TRUE(std::isnan(c.values[r])) << c.name << " record " << r;
        else
            EXPECT_DOUBLE_EQ(c.values[r], expected[r]) << c.name << " record " << r;
    }
}

const double nan = std::nan("");

TEST(TrendSeries, ColumnsPerRequestThenDeviceInOrderGiven) {
    const MeasurementDataSet data = Sample();
    const Trend t = Compute(data, {{TrendKind::Peak}, {TrendKind::Intensity, 450}});
    ASSERT_TRUE(t.ok);
    std::vector<std::string> names;
    std::vector<int> devices;
    for (const TrendColumn& c : t.table.columns) {
        names.push_back(c.name);
        devices.push_back(c.device);
    }
    EXPECT_EQ(names,
              (std::vector<std::string>{"peak", "peak_nm", "peak", "peak_nm", "nm450", "nm450"}));
    EXPECT_EQ(devices, (std::vector<int>{0, 0, 1, 1, 0, 1}));
    EXPECT_EQ(t.table.timeStamps,
              (std::vector<std::int64_t>{kTrendStamp0, kTrendStamp0 + 5, kTrendStamp0 + 65}));

    const Trend only2 = Compute(data, {{TrendKind::Temperature}}, {1});
    ASSERT_EQ(only2.table.columns.size(), 1u);
    EXPECT_EQ(only2.table.columns[0].device, 1);
    ExpectValues(only2.table.columns[0], {nan, -3.25, 20.0});
}

TEST(TrendSeries, IntensityBandAndTemperatureByHand) {
    const Trend t = Compute(Sample(), {{TrendKind::Intensity, 450},
                                       {TrendKind::BandMean, 500, 502},
                                       {TrendKind::BandMean, 690, 710},
                                       {TrendKind::Temperature}});
    ASSERT_TRUE(t.ok);
    const auto& c = t.table.columns;
    ASSERT_EQ(c.size(), 8u);
    ExpectValues(c[0], {100.25, 0.0, 100.0});
    ExpectValues(c[1], {nan, 10.0, 10.0});
    ExpectValues(c[2], {7.0 / 3.0, 0.0, 100.0});  // (1 + 2 + 4) / 3
    ExpectValues(c[3], {nan, 10.0, 10.0});
    ExpectValues(c[4], {0.0, 0.0, 100.0});
    ExpectValues(c[5], {nan, nan, 10.0});  // the NaN at 700 nm lies in the band
    ExpectValues(c[6], {25.5, 24.0, 26.0});
    ExpectValues(c[7], {nan, -3.25, 20.0});
}

TEST(TrendSeries, PeakAsTheGraphLabelAndNaNSpectraHaveNone) {
    const Trend t = Compute(Sample(), {{TrendKind::Peak}});
    ASSERT_TRUE(t.ok);
    const auto& c = t.table.columns;
    ExpectValues(c[0], {1000.0, 1000.0, 100.0});
    ExpectValues(c[1], {600, 520, 340});  // a flat spectrum: the first point
    // S2: not answering, then one NaN point (FindPeak alone would report 10 at 340 nm).
    ExpectValues(c[2], {nan, nan, 10.0});
    ExpectValues(c[3], {nan, nan, 340});
}

TEST(TrendSeries, ChromaticityAndCct) {
    const Trend t = Compute(Sample(), {{TrendKind::Chromaticity}, {TrendKind::Cct}});
    ASSERT_TRUE(t.ok);
    const auto& c = t.table.columns;
    ASSERT_EQ(c.size(), 6u);
    // One line at 520 nm: the table's own chromaticity there.
    const auto& e = SharedCmfTable()[520 - 340];
    const double sum = double{e[0]} + e[1] + e[2];
    EXPECT_NEAR(c[0].values[1], e[0] / sum, 1e-6);
    EXPECT_NEAR(c[1].values[1], e[1] / sum, 1e-6);
    // Equal energy: the white point E (0.334957, 0.336336) and 5491 K with this table
    // (5455 K with the CIE 1931 functions).
    EXPECT_NEAR(c[0].values[2], 0.334957, 1e-5);
    EXPECT_NEAR(c[1].values[2], 0.336336, 1e-5);
    EXPECT_NEAR(c[2].values[2], 0.334957, 1e-5);  // S2 flat 10
    EXPECT_NEAR(c[4].values[2], 5491.0, 2.0);
    EXPECT_TRUE(std::isnan(c[4].values[1]));  // a spectral line is far off the locus
    for (int col : {2, 3, 5}) {
        EXPECT_TRUE(std::isnan(c[col].values[0])) << col;  // not answering
        EXPECT_TRUE(std::isnan(c[col].values[1])) << col;  // one NaN point
    }
}

TEST(TrendSeries, ColourCacheGivesTheSameColumns) {
    MeasurementDataSet data = Sample();
    const std::vector<TrendRequest> colour{{TrendKind::Chromaticity}, {TrendKind::Cct}};
    const Trend plain = Compute(data, colour);
    TrendColourCache cache;
    TrendTable cached;
    QString error;
    for (int pass = 0; pass < 2; ++pass) {  // the second pass reads the cache
        ASSERT_TRUE(ComputeTrend(data, colour, {}, cached, error, &cache));
        for (std::size_t c = 0; c < plain.table.columns.size(); ++c) {
            for (std::size_t r = 0; r < 3; ++r) {
                const double a = plain.table.columns[c].values[r];
                const double b = cached.columns[c].values[r];
                EXPECT_TRUE(a == b || (std::isnan(a) && std::isnan(b))) << c << " " << r;
            }
        }
    }
    // A changed spectrum is worked out anew, not taken from the cache.
    data.entry(0, 2).values.fill(0.0f);
    data.entry(0, 2).values[520 - 340] = 1000.0f;
    ASSERT_TRUE(ComputeTrend(data, colour, {}, cached, error, &cache));
    EXPECT_EQ(cached.columns[0].values[2], plain.table.columns[0].values[1]);  // the 520 nm line
}

TEST(TrendSeries, WavelengthsOffTheGridAreRefused) {
    const MeasurementDataSet data = Sample();  // 340..850 nm
    EXPECT_TRUE(Compute(data, {{TrendKind::Intensity, 340}, {TrendKind::Intensity, 850}}).ok);
    EXPECT_TRUE(Compute(data, {{TrendKind::BandMean, 340, 850}}).ok);
    struct Bad {
        TrendRequest request;
        const char* named;
    };
    for (const Bad& b :
         {Bad{{TrendKind::Intensity, 339}, "339 nm"}, Bad{{TrendKind::Intensity, 851}, "851 nm"},
          Bad{{TrendKind::BandMean, 800, 900}, "900 nm"},
          Bad{{TrendKind::BandMean, 300, 400}, "300 nm"},
          Bad{{TrendKind::BandMean, 600, 500}, "600-500"}}) {
        const Trend t = Compute(data, {{TrendKind::Peak}, b.request});
        EXPECT_FALSE(t.ok);
        EXPECT_TRUE(t.error.contains(b.named)) << t.error.toStdString();
        EXPECT_FALSE(t.error.contains('\n'));
        EXPECT_TRUE(t.table.columns.empty());
    }
}

TEST(TrendSeries, EmptyDataSetGivesEmptyColumns) {
    MeasurementDataSet data;
    data.deviceCount = 1;
    const Trend t = Compute(data, {{TrendKind::Cct}});
    ASSERT_TRUE(t.ok);
    ASSERT_EQ(t.table.columns.size(), 1u);
    EXPECT_TRUE(t.table.columns[0].values.empty());
}

// Tokyo time (CTest sets TZ).
TEST(TrendTimeAxis, DateShowsWhenTheRunCrossesMidnight) {
    const std::vector<std::int64_t> evening{kTrendStamp0 - 3600, kTrendStamp0};
    const std::vector<std::int64_t> across{kTrendStamp0, kTrendStamp0 + 5};
    EXPECT_FALSE(CrossesMidnight(evening));
    EXPECT_TRUE(CrossesMidnight(across));
    EXPECT_EQ(ClockLabel(kTrendStamp0, false, true), "23:59:58");
    EXPECT_EQ(ClockLabel(kTrendStamp0 + 5, true, false), "03/02 00:00");

    // 23:59:58 .. 00:01:03: 65 s at up to 6 ticks -> a 15-s step from 23:59:00.
    const std::vector<TimeTick> ticks = TimeTicks(kTrendStamp0, kTrendStamp0 + 65, 6, true);
    std::vector<std::string> labels;
    for (const TimeTick& t : ticks)
        labels.push_back(t.label);
    EXPECT_EQ(labels,
              (std::vector<std::string>{"03/02 00:00:00", "03/02 00:00:15", "03/02 00:00:30",
                                        "03/02 00:00:45", "03/02 00:01:00"}));
    EXPECT_EQ(ticks.front().stamp, kTrendStamp0 + 2);

    // Two days at up to 5 ticks: 12-h steps on local midnight and noon.
    const std::vector<TimeTick> days = TimeTicks(kTrendStamp0, kTrendStamp0 + 2 * 86400, 5, true);
    ASSERT_FALSE(days.empty());
    EXPECT_EQ(days.front().label, "03/02 00:00");
    EXPECT_EQ(days[1].label, "03/02 12:00");
}

}  // namespace
