// Scales, ticks and clamping of the spectrum graph, as numbers.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <vector>

#include "display/GraphGeometry.h"

namespace {

// The main view's 620-pixel panel at 700 pixels height: plot 55..585 x 10..675, Hp 665.
const PlotFrame kFrame = PlotFrameFor(620, 700);

std::vector<std::int64_t> Values(const std::vector<ValueTick>& ticks) {
    std::vector<std::int64_t> v;
    for (const auto& t : ticks)
        v.push_back(t.value);
    return v;
}

std::vector<int> Wavelengths(int n, int w0, bool nir) {
    std::array<WavelengthTick, kMaxWavelengthTicks> out{};
    const int count = WavelengthTicks(kFrame, n, w0, nir, out);
    std::vector<int> nm;
    for (int k = 0; k < count; ++k)
        nm.push_back(out[k].wavelength);
    return nm;
}

}  // namespace

TEST(PlotFrame, InsetsFromPanel) {
    EXPECT_EQ(kFrame.left, 55);
    EXPECT_EQ(kFrame.top, 10);
    EXPECT_EQ(kFrame.right, 585);
    EXPECT_EQ(kFrame.bottom, 675);
    EXPECT_EQ(kFrame.height(), 665);
}

TEST(WavelengthGrid, VisibleProfileFillsThePlotWidth) {
    EXPECT_EQ(Wavelengths(511, 340, false),
              (std::vector<int>{350, 400, 450, 500, 550, 600, 650, 700, 750, 800, 850}));
    std::array<WavelengthTick, kMaxWavelengthTicks> out{};
    WavelengthTicks(kFrame, 511, 340, false, out);
    EXPECT_EQ(out[0].x, 65);    // 350 nm is point 10
    EXPECT_EQ(out[10].x, 565);  // 850 nm is point 510
}

TEST(WavelengthGrid, NearInfraredStopsBeforeTheLastPoint) {
    // i runs 0..409: 1050 nm (point 410) gets no line.
    EXPECT_EQ(Wavelengths(411, 640, true),
              (std::vector<int>{650, 700, 750, 800, 850, 900, 950, 1000}));
}

TEST(WavelengthGrid, UltravioletRunsNineteenPointsBeyond) {
    EXPECT_EQ(Wavelengths(251, 190, false), (std::vector<int>{200, 250, 300, 350, 400, 450}));
}

TEST(WavelengthGrid, MixedGridsShareOneSqueezedAxis) {
    const auto ticks = [](const WavelengthAxis& axis) {
        std::array<WavelengthTick, kMaxWavelengthTicks> out{};
        const int n = WavelengthTicks(kFrame, axis, false, out);
        return std::vector<WavelengthTick>(out.begin(), out.begin() + n);
    };
    // Devices of one grid: that grid, one column per point.
    const std::vector<WavelengthGrid> same{{340, 511}, {340, 511}};
    const WavelengthAxis one = WavelengthAxisFor(kFrame, same, {190, 251});
    EXPECT_FALSE(one.mixed());
    EXPECT_EQ(one.Column(350), 65);
    EXPECT_EQ(ticks(one).size(), 11u);

    // Ultraviolet and near-infrared: 190..1050 nm over 528 columns, a line every 100 nm
    // (50 nm would take 30 columns).
    const std::vector<WavelengthGrid> uvNir{{190, 251}, {640, 411}};
    const WavelengthAxis axis = WavelengthAxisFor(kFrame, uvNir, {340, 511});
    ASSERT_TRUE(axis.mixed());
    EXPECT_EQ(axis.firstWavelength, 190);
    EXPECT_EQ(axis.lastWavelength(), 1050);
    EXPECT_EQ(axis.Column(190), 55);
    EXPECT_EQ(axis.Column(1050), 583);  // the column before the frame's right edge
    const std::vector<WavelengthTick> lines = ticks(axis);
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines.front().wavelength, 200);
    EXPECT_EQ(lines.front().x, 61);
    EXPECT_EQ(lines.back().wavelength, 1000);
    EXPECT_EQ(lines.back().x, 552);
    // Each column reads back the shortest wavelength drawn there.
    EXPECT_EQ(axis.WavelengthAt(54), kNoWavelength);
    for (int x = 55; x <= 583; ++x) {
        const long long nm = axis.WavelengthAt(x);
        ASSERT_EQ(axis.Column(nm), x) << x;
        if (x > 55) {
            ASSERT_LT(axis.Column(nm - 1), x) << x;
        }
    }

    // Ultraviolet and visible, 190..850 nm: 50 nm take 40 columns, a line every 50 nm.
    const std::vector<WavelengthGrid> uvVis{{190, 251}, {340, 511}};
    EXPECT_EQ(ticks(WavelengthAxisFor(kFrame, uvVis, {})).size(), 14u);
    // A frame wider than the 620-pixel panel's stretches the squeezed axis by its width:
    // 528 columns * 910 / 530.
    const WavelengthAxis wide = WavelengthAxisFor(PlotFrameFor(1000, 700), uvNir, {});
    EXPECT_EQ(wide.Column(1050), 55 + 906);
    EXPECT_EQ(wide.WavelengthAt(55 + 906), 1050);
}

// The graph takes a larger panel: one grid is spread over the wider frame as the 620-pixel
// panel spreads it over 530 columns, with the grid lines at the same wavelengths.
TEST(WavelengthGrid, OneGridStretchesOverAWiderFrame) {
    const PlotFrame f = PlotFrameFor(1635, 940);  // plot 55..1600: 1545 columns
    const std::vector<WavelengthGrid> visible{{340, 511}};
    const WavelengthAxis axis = WavelengthAxisFor(f, visible, {});
    EXPECT_FALSE(axis.mixed());
    EXPECT_EQ(axis.Column(340), 55);
    EXPECT_EQ(axis.Column(350), 55 + 10 * 1545 / 530);
    EXPECT_EQ(axis.Column(340 + 530), 1600);  // the frame's right edge, as 530 columns at 620
    std::array<WavelengthTick, kMaxWavelengthTicks> out{};
    const int n = WavelengthTicks(f, axis, false, out);
    ASSERT_EQ(n, 11);
    EXPECT_EQ(out[0].wavelength, 350);
    EXPECT_EQ(out[10].wavelength, 850);
    EXPECT_EQ(out[10].x, axis.Column(850));
    // The cursor reads the nearest point; each point's column reads it back.
    for (int nm = 340; nm <= 850; ++nm)
        ASSERT_EQ(axis.WavelengthAt(axis.Column(nm)), nm) << nm;
    EXPECT_EQ(axis.WavelengthAt(axis.Column(400) + 1), 400);
    // The 620-pixel panel keeps one column per point.
    EXPECT_FALSE(WavelengthAxisFor(kFrame, visible, {}).scaled());
}

// Peak labels that would sit on one another are moved apart, within the frame.
TEST(PeakLabels, TenAtNearlyOnePlaceDoNotOverlap) {
    std::vector<LabelBox> wanted;
    for (int d = 0; d < 10; ++d)
        wanted.push_back({300 + d, 200 - d, 150, 15});
    const std::vector<LabelBox> placed = PlaceLabels(wanted, kFrame);
    ASSERT_EQ(placed.size(), 10u);
    EXPECT_EQ(placed[0].top, 200);  // the first keeps its place
    for (std::size_t i = 0; i < placed.size(); ++i) {
        EXPECT_EQ(placed[i].left, wanted[i].left);  // moved up or down only
        EXPECT_GT(placed[i].top, kFrame.top);
        EXPECT_LT(placed[i].bottom(), kFrame.bottom);
        for (std::size_t j = 0; j < i; ++j)
            EXPECT_FALSE(placed[i].Overlaps(placed[j])) << i << " " << j;
    }
    // Near the top edge they go down; one past the right edge comes back inside.
    std::vector<LabelBox> top(10, LabelBox{900, 0, 150, 15});
    const std::vector<LabelBox> atTop = PlaceLabels(top, kFrame);
    for (std::size_t i = 0; i < atTop.size(); ++i) {
        EXPECT_EQ(atTop[i].right(), kFrame.right - 1);
        EXPECT_GE(atTop[i].top, kFrame.top + 1);
        for (std::size_t j = 0; j < i; ++j)
            EXPECT_FALSE(atTop[i].Overlaps(atTop[j]));
    }
    // No room left: the label stays inside the frame at its place.
    const PlotFrame low{55, 10, 585, 40};
    const std::vector<LabelBox> crowded =
        PlaceLabels(std::vector<LabelBox>(3, LabelBox{100, 12, 50, 15}), low);
    EXPECT_EQ(crowded[2].top, 12);
}

TEST(RatioMin, DerivedFromTheCountsAxis) {
    EXPECT_EQ(DerivedRatioMin(120, 0, 65535), 0);
    EXPECT_EQ(DerivedRatioMin(120, 500, 65535), 0);
    EXPECT_EQ(DerivedRatioMin(120, 10000, 65535), 18);
    EXPECT_EQ(DerivedRatioMin(120, -10000, 65535), -18);  // truncates toward zero
}

TEST(RatioMin, GraphMaxZeroDoesNotDivide) {
    EXPECT_EQ(DerivedRatioMin(120, 100, 0), 0);
}

TEST(RatioMin, LargeLimitsDoNotOverflow) {
    // 2e9 * 2e9 needs 64 bits; the quotient is clamped back into 32 bits.
    EXPECT_EQ(DerivedRatioMin(2000000000, 2000000000, 2), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(DerivedRatioMin(2000000000, 2000000000, 2000000000), 2000000000);
}

TEST(CountsStep, Thresholds) {
    struct Row {
        int min, max, step;
    };
    for (const Row& r :
         {Row{0, 1000, 100}, Row{0, 1001, 500}, Row{100, 2100, 500}, Row{0, 2001, 1000},
          Row{0, 9999, 1000}, Row{0, 10000, 5000}, Row{0, 65535, 5000}}) {
        EXPECT_EQ(CountsStep(r.min, r.max), r.step) << r.min << ".." << r.max;
    }
}

TEST(ValueTicks, CountsDefaultsStopBelowTheMax) {
    const auto ticks = ValueTicks(kFrame, AxisKind::Counts, 0, 65535);
    std::vector<std::int64_t> expected;
    for (int v = 0; v <= 65000; v += 5000)
        expected.push_back(v);
    EXPECT_EQ(Values(ticks), expected);
    EXPECT_EQ(ticks.front().y, 675);                         // the minimum on the bottom line
    EXPECT_EQ(ticks[1].y, 675 - 5000 * 665 / 65535);         // 625
    EXPECT_EQ(ticks.back().y, 675 - 65000LL * 665 / 65535);  // 16
}

TEST(ValueTicks, ComparisonDefaults) {
    const auto ticks = ValueTicks(kFrame, AxisKind::Ratio, 0, 120);
    EXPECT_EQ(Values(ticks),
              (std::vector<std::int64_t>{0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110}));
}

TEST(ValueTicks, ComparisonFromDerivedMinStartsAtTwenty) {
    const std::int32_t ratioMin = DerivedRatioMin(120, 10000, 65535);
    const auto ticks = ValueTicks(kFrame, AxisKind::Ratio, ratioMin, 120);
    ASSERT_FALSE(ticks.empty());
    EXPECT_EQ(ticks.front().value, 20);
    EXPECT_EQ(ticks.front().y, 675 - 2 * 665 / 102);  // 662
    EXPECT_EQ(ticks.back().value, 110);
}

TEST(ValueTicks, AbsorptanceDefaults) {
    EXPECT_EQ(Values(ValueTicks(kFrame, AxisKind::Absorptance, 0, 5)),
              (std::vector<std::int64_t>{0, 1, 2, 3, 4}));
}

TEST(ValueTicks, NegativeMinimumStartsAtTheFirstMultiple) {
    EXPECT_EQ(Values(ValueTicks(kFrame, AxisKind::Counts, -250, 750)),
              (std::vector<std::int64_t>{-200, -100, 0, 100, 200, 300, 400, 500, 600, 700}));
}

TEST(ValueTicks, EmptyWhenMaxNotAboveMin) {
    EXPECT_TRUE(ValueTicks(kFrame, AxisKind::Counts, 100, 100).empty());
    EXPECT_TRUE(ValueTicks(kFrame, AxisKind::Ratio, 50, 10).empty());
    EXPECT_TRUE(ValueTicks(kFrame, AxisKind::Absorptance, 0, 0).empty());
}

TEST(ValueTicks, HugeRangeGivesNoTicksInsteadOfMillions) {
    EXPECT_TRUE(ValueTicks(kFrame, AxisKind::Absorptance, 0, 2000000000).empty());
    EXPECT_EQ(ValueTicks(kFrame, AxisKind::Absorptance, 0, kMaxValueTicks).size(),
              static_cast<std::size_t>(kMaxValueTicks));
}

TEST(TickRow, SixtyFourBitProduct) {
    // (v - min) * Hp overflows 32 bits here.
    const PlotFrame tall = PlotFrameFor(620, 100000);
    EXPECT_EQ(TickRow(tall, 0, -2000000000, 2000000000), tall.bottom - tall.height() / 2);
}

TEST(ValueLabel, Formats) {
    EXPECT_EQ(ValueLabel(AxisKind::Counts, 0), "   0");
    EXPECT_EQ(ValueLabel(AxisKind::Counts, 65000), "65000");
    EXPECT_EQ(ValueLabel(AxisKind::Ratio, 20), " 20");
    EXPECT_EQ(ValueLabel(AxisKind::Absorptance, 4), "  4");
}

class CurveRows : public ::testing::Test {
  protected:
    CurveScale counts{0, 65535, kFrame.bottom, kFrame.height()};
    CurveScale ratio{0, 120, kFrame.bottom, kFrame.height()};
};

TEST_F(CurveRows, CountsInsideTheRange) {
    // c = 32768 * 665 / 65535 = 332.51 (single precision); y = trunc(675 - c) = 342.
    EXPECT_EQ(CountsRow(counts, 32768.0f), 342);
    EXPECT_EQ(CountsRow(counts, 0.0f), 675);
    EXPECT_EQ(CountsRow(counts, 65535.0f), 10);
}

TEST_F(CurveRows, ValuesBeyondTheAxisAreClampedToTheEdges) {
    EXPECT_EQ(CountsRow(counts, 70000.0f), 10);
    EXPECT_EQ(CountsRow(counts, -5.0f), 675);
    EXPECT_EQ(DoubleRow(ratio, 500.0), 10);
    EXPECT_EQ(DoubleRow(ratio, -500.0), 675);
}

TEST_F(CurveRows, InfinitiesLieOnTheEdgesNaNHasNoRow) {
    const double inf = std::numeric_limits<double>::infinity();
    const float finf = std::numeric_limits<float>::infinity();
    EXPECT_EQ(DoubleRow(ratio, inf), 10);
    EXPECT_EQ(DoubleRow(ratio, -inf), 675);
    EXPECT_EQ(CountsRow(counts, finf), 10);
    EXPECT_EQ(CountsRow(counts, -finf), 675);
    EXPECT_EQ(DoubleRow(ratio, std::nan("")), kNoRow);
    EXPECT_EQ(CountsRow(counts, std::numeric_limits<float>::quiet_NaN()), kNoRow);
    EXPECT_EQ(CountsRow(counts, -std::numeric_limits<float>::quiet_NaN()), kNoRow);
}

TEST_F(CurveRows, RatioInDoubleRoundedToSingle) {
    // 100 % on 0..120: c = 100 * 665 / 120 = 554.1666..; y = trunc(675 - 554.1667f) = 120.
    EXPECT_EQ(DoubleRow(ratio, 100.0), 120);
}

TEST(Labels, PeakTemperatureAndWavelengthTexts) {
    EXPECT_EQ(PeakLabel(32768.0f, 555).view(), "peak 32768 ( 555nm)");
    EXPECT_EQ(PeakLabel(0.4f, 340).view(), "peak     0 ( 340nm)");
    EXPECT_EQ(TemperatureLabel(25.25f).view(), "25.2");
    EXPECT_EQ(TemperatureLabel(-3.0f).view(), "-3.0");
    EXPECT_EQ(LedTemperatureLabel(31.5f).view(), "31.5(LED)");
    EXPECT_EQ(WavelengthLabel(1000).view(), "1000");
}
