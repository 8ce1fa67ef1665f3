#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "data/CmfTable.h"
#include "data/TrendColour.h"
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

TEST(TrendSeries, ChromaticityUvAndCct) {
    const Trend t =
        Compute(Sample(), {{TrendKind::Chromaticity}, {TrendKind::Cct}, {TrendKind::Uv}});
    ASSERT_TRUE(t.ok);
    const auto& c = t.table.columns;
    ASSERT_EQ(c.size(), 10u);
    EXPECT_EQ(c[6].name, "u_prime");
    EXPECT_EQ(c[7].name, "v_prime");
    EXPECT_EQ(UnitOf(c[6].quantity), TrendUnit::UvChromaticity);
    // One line at 520 nm: the table's own chromaticity there.
    const auto& e = SharedCmfTable()[520 - 340];
    const double sum = double{e[0]} + e[1] + e[2];
    EXPECT_NEAR(c[0].values[1], e[0] / sum, 1e-6);
    EXPECT_NEAR(c[1].values[1], e[1] / sum, 1e-6);
    const double d = double{e[0]} + 15.0 * e[1] + 3.0 * e[2];
    EXPECT_NEAR(c[6].values[1], 4.0 * e[0] / d, 1e-6);
    EXPECT_NEAR(c[7].values[1], 9.0 * e[1] / d, 1e-6);
    // Equal energy: the white point E (0.334957, 0.336336), u' 0.210462, v' 0.475490 (numpy,
    // sums over 380..824 nm of this table) and 5491 K (5455 K with the CIE 1931 functions).
    EXPECT_NEAR(c[0].values[2], 0.334957, 1e-5);
    EXPECT_NEAR(c[1].values[2], 0.336336, 1e-5);
    EXPECT_NEAR(c[2].values[2], 0.334957, 1e-5);  // S2 flat 10
    EXPECT_NEAR(c[6].values[2], 0.210462, 1e-5);
    EXPECT_NEAR(c[7].values[2], 0.475490, 1e-5);
    EXPECT_NEAR(c[8].values[2], 0.210462, 1e-5);
    EXPECT_NEAR(c[4].values[2], 5491.0, 2.0);
    EXPECT_TRUE(std::isnan(c[4].values[1]));  // a spectral line is far off the locus
    EXPECT_TRUE(std::isfinite(c[6].values[1]));
    for (int col : {2, 3, 5, 8, 9}) {
        EXPECT_TRUE(std::isnan(c[col].values[0])) << col;  // not answering
        EXPECT_TRUE(std::isnan(c[col].values[1])) << col;  // one NaN point
    }
}

// The window's way: colour left for later, a copy of the spectra worked out and filled in.
// The same columns as at once, whatever happens to the data set after the copy.
void ExpectSameColumns(const TrendTable& a, const TrendTable& b) {
    ASSERT_EQ(a.columns.size(), b.columns.size());
    for (std::size_t c = 0; c < a.columns.size(); ++c) {
        ASSERT_EQ(a.columns[c].values.size(), b.columns[c].values.size());
        for (std::size_t r = 0; r < a.columns[c].values.size(); ++r) {
            const double x = a.columns[c].values[r];
            const double y = b.columns[c].values[r];
            EXPECT_TRUE(x == y || (std::isnan(x) && std::isnan(y))) << c << " " << r;
        }
    }
}

// reuse: copied into the buffers of a copy of other spectra first.
TrendTable WorkedOutApart(MeasurementDataSet& data, const std::vector<TrendRequest>& requests,
                          bool changeAfterCopy, bool reuse = false) {
    TrendTable later;
    QString error;
    EXPECT_TRUE(ComputeTrend(data, requests, {}, later, error, TrendColourWhen::Later));
    TrendColourInput earlier;
    if (reuse) {
        MeasurementDataSet other;
        FillTrendSample(other);
        for (int d = 0; d < other.deviceCount; ++d)
            other.entry(d, 2).values.fill(3.0f);
        earlier = CopyTrendColourInput(other, later);
    }
    const TrendColourInput input = CopyTrendColourInput(data, later, std::move(earlier));
    if (changeAfterCopy) {
        for (int d = 0; d < data.deviceCount; ++d)
            data.entry(d, 0).values.fill(-1.0f);
    }
    TrendColourValues values;
    std::atomic<std::size_t> done{0};
    EXPECT_TRUE(ComputeTrendColour(input, values, nullptr, &done));
    EXPECT_EQ(done.load(), SpectraOf(input));
    FillTrendColour(later, input, values);
    return later;
}

TEST(TrendSeries, ColourWorkedOutApartGivesTheSameColumns) {
    const std::vector<TrendRequest> colour{
        {TrendKind::Uv}, {TrendKind::Peak}, {TrendKind::Chromaticity}, {TrendKind::Cct}};
    MeasurementDataSet data = Sample();
    const Trend now = Compute(data, colour);
    ExpectSameColumns(WorkedOutApart(data, colour, false), now.table);
    ExpectSameColumns(WorkedOutApart(data, colour, true), now.table);
    data = Sample();
    ExpectSameColumns(WorkedOutApart(data, colour, false, true), now.table);

    // Left for later: NaN until filled; the other columns are there at once.
    TrendTable later;
    QString error;
    ASSERT_TRUE(ComputeTrend(Sample(), colour, {}, later, error, TrendColourWhen::Later));
    EXPECT_TRUE(std::isnan(later.columns[0].values[2]));
    EXPECT_EQ(later.columns[4].values[0], 1000.0);  // S1's peak

    // A cancelled computation says so.
    const TrendColourInput input = CopyTrendColourInput(Sample(), later);
    EXPECT_EQ(SpectraOf(input), 6u);
    std::atomic<bool> cancel{true};
    TrendColourValues values;
    MeasurementDataSet big = Sample();
    while (big.recordCount < 600)
        big.AppendRecord(kTrendStamp0 + big.recordCount);
    TrendTable bigTable;
    ASSERT_TRUE(ComputeTrend(big, colour, {}, bigTable, error, TrendColourWhen::Later));
    EXPECT_FALSE(ComputeTrendColour(CopyTrendColourInput(big, bigTable), values, &cancel));
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

// Ultraviolet U (190..440 nm: point i = i), visible V (340..850: flat 100, equal energy) and
// near-infrared N (640..1050: point i = 2 i), one record. Each series is worked out on each
// device's own grid; a wavelength or band a device's grid does not hold is NaN for it.
MeasurementDataSet Mixed() {
    MeasurementDataSet data;
    data.deviceCount = 3;
    data.SetDeviceGrids({{190, 251}, {340, 511}, {640, 411}});
    data.serialText[0] = "U";
    data.serialText[1] = "V";
    data.serialText[2] = "N";
    data.AppendRecord(kTrendStamp0);
    for (int i = 0; i < 511; ++i) {
        data.entry(0, 0).values[i] = i < 251 ? float(i) : std::nanf("");
        data.entry(1, 0).values[i] = 100.0f;
        data.entry(2, 0).values[i] = i < 411 ? 2.0f * i : std::nanf("");
    }
    return data;
}

TEST(TrendSeries, MixedGridsEachDeviceOnItsOwnGrid) {
    const Trend t = Compute(Mixed(), {{TrendKind::Intensity, 300},
                                      {TrendKind::Intensity, 700},
                                      {TrendKind::BandMean, 400, 440},
                                      {TrendKind::BandMean, 430, 450},
                                      {TrendKind::Peak},
                                      {TrendKind::Chromaticity},
                                      {TrendKind::Cct}});
    ASSERT_TRUE(t.ok) << t.error.toStdString();
    const auto& c = t.table.columns;
    ASSERT_EQ(c.size(), 27u);
    const auto values = [&](int first, int count) {
        std::vector<double> v;
        for (int k = first; k < first + count; ++k)
            v.push_back(c[k].values[0]);
        return v;
    };
    const auto expect = [&](int first, std::vector<double> expected) {
        for (std::size_t k = 0; k < expected.size(); ++k)
            ExpectValues(c[first + k], {expected[k]});
    };
    expect(0, {110.0, nan, nan});                             // nm300: U only
    expect(3, {nan, 100.0, 120.0});                           // nm700: V and N
    expect(6, {230.0, 100.0, nan});                           // band400-440: U's points 210..250
    expect(9, {nan, 100.0, nan});                             // band430-450: past U's last point
    expect(12, {250.0, 440.0, 100.0, 340.0, 820.0, 1050.0});  // peak, peak_nm per device
    // Colour only on the grid that spans 380..780 nm (N's light in 640..824 nm does not count).
    const std::vector<double> xy = values(18, 6);
    EXPECT_TRUE(std::isnan(xy[0]) && std::isnan(xy[1]));
    EXPECT_NEAR(xy[2], 0.334957, 1e-5);
    EXPECT_NEAR(xy[3], 0.336336, 1e-5);
    EXPECT_TRUE(std::isnan(xy[4]) && std::isnan(xy[5]));
    expect(24, {nan});
    EXPECT_NEAR(c[25].values[0], 5491.0, 2.0);
    expect(26, {nan});

    // Worked out apart: the same, and nothing for the grids without colour.
    MeasurementDataSet mixed = Mixed();
    const std::vector<TrendRequest> colour{{TrendKind::Chromaticity}, {TrendKind::Uv}};
    TrendTable later;
    QString error;
    ASSERT_TRUE(ComputeTrend(mixed, colour, {}, later, error, TrendColourWhen::Later));
    const TrendColourInput input = CopyTrendColourInput(mixed, later);
    ASSERT_EQ(input.sources.size(), 1u);
    EXPECT_EQ(input.sources[0].device, 1);
    EXPECT_FALSE(input.temperature);
    ExpectSameColumns(WorkedOutApart(mixed, colour, false), Compute(Mixed(), colour).table);
}

TEST(TrendSeries, MixedGridsRefuseOnlyWavelengthsOfNoDevice) {
    const MeasurementDataSet all = Mixed();  // 190..1050 nm without a gap
    EXPECT_TRUE(Compute(all, {{TrendKind::Intensity, 190}, {TrendKind::Intensity, 1050}}).ok);
    const Trend over = Compute(all, {{TrendKind::Intensity, 1051}});
    EXPECT_FALSE(over.ok);
    EXPECT_EQ(over.error,
              "1051 nm is outside the wavelength grid (the grid runs from 190 to 1050 nm)");
    EXPECT_FALSE(Compute(all, {{TrendKind::BandMean, 189, 200}}).ok);

    MeasurementDataSet gap = Mixed();  // ultraviolet and near-infrared only
    gap.deviceCount = 2;
    gap.SetDeviceGrids({{190, 251}, {640, 411}});
    const Trend between = Compute(gap, {{TrendKind::Intensity, 500}});
    EXPECT_FALSE(between.ok);
    EXPECT_EQ(between.error,
              "500 nm is outside the wavelength grid (the devices' grids hold "
              "190 to 440, 640 to 1050 nm)");
    const Trend band = Compute(gap, {{TrendKind::BandMean, 550, 700}});
    EXPECT_TRUE(band.error.contains("550 nm")) << band.error.toStdString();
    // Both ends on some grid, but no device holds the whole band: NaN, not refused.
    const Trend across = Compute(gap, {{TrendKind::BandMean, 400, 700}});
    ASSERT_TRUE(across.ok);
    ExpectValues(across.table.columns[0], {nan});
    ExpectValues(across.table.columns[1], {nan});
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
