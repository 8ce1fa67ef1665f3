// Status-bar readout of the graph panel: numbers at known pixels in every mode.
#include <array>
#include <vector>

#include <gtest/gtest.h>

#include "display/CursorReadout.h"

namespace {

// A 620 x 400 panel: plot frame left 55, top 10, right 585, bottom 375.
constexpr int kWidth = 620;
constexpr int kHeight = 400;
constexpr int kLeft = 55;
constexpr int kMidRow = 200;

class CursorReadoutTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (std::size_t i = 0; i < MAX_POINTS; ++i) {
            live0[i] = 100.0f * static_cast<float>(i) + 0.3f;
            live1[i] = 50.0f * static_cast<float>(i) + 1.6f;
        }
        data.deviceCount = 2;
        // Record 0: flat 200 / 1000 (the reference); record 1: a stored sample.
        for (int r = 0; r < 2; ++r)
            ASSERT_EQ(data.AppendRecord(1'700'000'000 + r), r);
        for (std::size_t i = 0; i < MAX_POINTS; ++i) {
            data.entry(0, 0).values[i] = 200.0f;
            data.entry(1, 0).values[i] = 1000.0f;
            data.entry(0, 1).values[i] = 3.0f * static_cast<float>(i) + 0.4f;
            data.entry(1, 1).values[i] = 7.0f * static_cast<float>(i) + 0.2f;
        }
        in.deviceCount = 2;
        in.liveSpectra[0] = live0;
        in.liveSpectra[1] = live1;
        in.dataSet = &data;
        in.selectedRecord = 1;
    }

    std::string At(int x, int y = kMidRow) const {
        return CursorReadoutText(in, kWidth, kHeight, x, y);
    }

    std::array<float, MAX_POINTS> live0{};
    std::array<float, MAX_POINTS> live1{};
    MeasurementDataSet data;
    GraphInput in;
};

TEST_F(CursorReadoutTest, LineAndColourModesShowEachDevicesLiveValue) {
    for (int mode : {DISPLAY_LINE, DISPLAY_COLOUR}) {
        in.mode = mode;
        EXPECT_EQ(At(kLeft + 110), "450 nm  #1 11000.3  #2 5501.6") << mode;
        EXPECT_EQ(At(kLeft), "340 nm  #1 0.3  #2 1.6") << mode;
        EXPECT_EQ(At(kLeft + 510), "850 nm  #1 51000.3  #2 25501.6") << mode;
    }
}

TEST_F(CursorReadoutTest, StoredDisplayReadsTheSelectedRecord) {
    in.monitoring = false;
    EXPECT_EQ(At(kLeft + 110), "450 nm  #1 330.4  #2 770.2");
    in.selectedRecord = 0;
    EXPECT_EQ(At(kLeft + 110), "450 nm  #1 200.0  #2 1000.0");
    in.selectedRecord = 2;  // beyond the data list: no values
    EXPECT_EQ(At(kLeft + 110), "450 nm");
}

TEST_F(CursorReadoutTest, ComparisonIsThePercentOfTheReference) {
    in.mode = DISPLAY_COMPARISON;
    in.referenceIndex = 0;
    live0[110] = 197.4f;
    live1[110] = 1012.0f;
    EXPECT_EQ(At(kLeft + 110), "450 nm  #1 98.7 %  #2 101.2 %");
    in.monitoring = false;  // the stored record against the reference
    EXPECT_EQ(At(kLeft + 110), "450 nm  #1 165.2 %  #2 77.0 %");
}

TEST_F(CursorReadoutTest, AbsorptanceAgainstTheReference) {
    in.mode = DISPLAY_ABSORPTANCE;
    in.referenceIndex = 0;
    live0[110] = 20.0f;  // log10(200 / 20)
    live1[110] = 0.0f;   // log10(1000 / max(1, 0))
    EXPECT_EQ(At(kLeft + 110), "450 nm  #1 1.000  #2 3.000");
    live0[110] = 400.0f;  // above the reference
    EXPECT_EQ(At(kLeft + 110), "450 nm  #1 -0.301  #2 3.000");
}

TEST_F(CursorReadoutTest, WithoutValidReferenceNoValuesAreShown) {
    for (int mode : {DISPLAY_COMPARISON, DISPLAY_ABSORPTANCE}) {
        in.mode = mode;
        for (int ref : {-1, 2, 10000}) {
            in.referenceIndex = ref;
            EXPECT_EQ(At(kLeft + 110), "450 nm") << mode << " ref " << ref;
        }
        in.dataSet = nullptr;
        in.referenceIndex = 0;
        EXPECT_EQ(At(kLeft + 110), "450 nm") << mode;
        in.dataSet = &data;
    }
}

TEST_F(CursorReadoutTest, ZeroReferenceShowsADash) {
    in.mode = DISPLAY_COMPARISON;
    in.referenceIndex = 0;
    data.entry(0, 0).values[110] = 0.0f;
    EXPECT_EQ(At(kLeft + 110), "450 nm  #1 -  #2 550.2 %");
}

TEST_F(CursorReadoutTest, OutsideThePlotFrameOrBeyondTheGridIsEmpty) {
    const std::vector<std::pair<int, int>> outside = {
        {kLeft - 1, kMidRow}, {586, kMidRow},         {200, 9}, {200, 376}, {-5, -5},
        {700, 500},           {kLeft + 511, kMidRow},  // inside the frame, one column past the last
                                                       // point
    };
    for (auto [x, y] : outside)
        EXPECT_EQ(At(x, y), "") << x << "," << y;
    // The frame's edges themselves are inside.
    EXPECT_EQ(At(kLeft, 10), "340 nm  #1 0.3  #2 1.6");
    EXPECT_EQ(At(kLeft + 10, 375), "350 nm  #1 1000.3  #2 501.6");
}

TEST_F(CursorReadoutTest, GridFollowsTheDataSet) {
    in.firstWavelength = 900;
    in.pointCount = 256;
    EXPECT_EQ(At(kLeft + 255), "1155 nm  #1 25500.3  #2 12751.6");
    EXPECT_EQ(At(kLeft + 256), "");
    // A live spectrum shorter than the grid is left out, as the graph leaves it out.
    in.liveSpectra[1] = std::span<const float>(live1.data(), 100);
    EXPECT_EQ(At(kLeft + 5), "905 nm  #1 500.3");
}

// Visible (340..850) and near-infrared (640..1050 nm) devices: the axis runs 340..1050 nm over
// 528 columns, column x showing 340 + ceil((x - 55) * 710 / 528) nm. A device whose grid has
// no point there shows nothing.
TEST_F(CursorReadoutTest, MixedGridsShowOnlyTheDevicesThatHoldTheWavelength) {
    const WavelengthGrid visible{340, 511};
    const WavelengthGrid nir{640, 411};
    in.liveGrids[0] = visible;
    in.liveGrids[1] = nir;
    EXPECT_EQ(At(kLeft), "340 nm  #1 0.3");
    EXPECT_EQ(At(kLeft + 100), "475 nm  #1 13500.3");
    EXPECT_EQ(At(kLeft + 268), "701 nm  #1 36100.3  #2 3051.6");
    EXPECT_EQ(At(kLeft + 500), "1013 nm  #2 18651.6");
    EXPECT_EQ(At(kLeft + 528), "1050 nm  #2 20501.6");
    EXPECT_EQ(At(kLeft + 529), "");  // past the last wavelength

    // Against each device's reference on the data set's grid of that device.
    data.SetDeviceGrids({visible, nir});
    in.mode = DISPLAY_COMPARISON;
    in.referenceIndex = 0;
    EXPECT_EQ(At(kLeft + 268), "701 nm  #1 18050.2 %  #2 305.2 %");
    EXPECT_EQ(At(kLeft + 100), "475 nm  #1 6750.1 %");
    // The reference's grid counts too: a device without a point there in the record shows none.
    data.SetDeviceGrids({visible, WavelengthGrid{700, 351}});
    data.entry(1, 0).values[1] = 500.0f;  // 701 nm on the record's grid, 3051.6 / 500
    EXPECT_EQ(At(kLeft + 268), "701 nm  #1 18050.2 %  #2 610.3 %");
    data.SetDeviceGrids({visible, WavelengthGrid{702, 349}});
    EXPECT_EQ(At(kLeft + 268), "701 nm  #1 18050.2 %");

    // Ultraviolet (190..440) and near-infrared: between them the wavelength alone.
    in.mode = DISPLAY_LINE;
    in.liveGrids[0] = WavelengthGrid{190, 251};
    EXPECT_EQ(At(kLeft + 200), "516 nm");
    EXPECT_EQ(At(kLeft), "190 nm  #1 0.3");
    EXPECT_EQ(At(kLeft + 300), "679 nm  #2 1951.6");
}

TEST_F(CursorReadoutTest, NoDevicesShowTheWavelengthAlone) {
    in.deviceCount = 0;
    EXPECT_EQ(At(kLeft + 110), "450 nm");
}

TEST_F(CursorReadoutTest, AModeOfNoRowShowsTheWavelengthAlone) {
    for (int mode : {-1, 5, 1000}) {
        in.mode = mode;
        EXPECT_EQ(At(kLeft + 110), "450 nm") << mode;
    }
}

TEST_F(CursorReadoutTest, ChromaticityDiagramShowsTheCoordinates) {
    in.mode = DISPLAY_CHROMATICITY;
    // u' = 4x / (-2x + 12y + 3), v' = 9y / (-2x + 12y + 3): at (0.7, 0.8) 2.8 / 11.2 and
    // 7.2 / 11.2; at column 265, row 321 (x 0.312091, y 0.329515) worked out with Python.
    EXPECT_EQ(At(88, 508), "x 0.0000  y 0.0000  u′ 0.0000  v′ 0.0000");
    EXPECT_EQ(At(485, 54), "x 0.7000  y 0.8000  u′ 0.2500  v′ 0.6429");
    EXPECT_EQ(At(88 + 177, 508 - 187), "x 0.3121  y 0.3295  u′ 0.1972  v′ 0.4685");
    EXPECT_EQ(At(87, 300), "");
    EXPECT_EQ(At(486, 300), "");
    EXPECT_EQ(At(300, 53), "");
    EXPECT_EQ(At(300, 509), "");
    // Without the visible profile the panel shows the spectrum frame with no curves.
    in.nirSensor = true;
    EXPECT_EQ(At(kLeft + 110), "450 nm");
}

// A larger panel shows the graph larger: the wavelength axis and the diagram are stretched,
// and the readout follows them.
TEST_F(CursorReadoutTest, ALargerPanelReadsTheStretchedGraph) {
    // 1295 x 800: plot 55..1260, 1205 columns for the 620 panel's 530.
    auto at = [this](int x, int y) { return CursorReadoutText(in, 1295, 800, x, y); };
    EXPECT_EQ(at(kLeft, kMidRow), "340 nm  #1 0.3  #2 1.6");
    EXPECT_EQ(at(kLeft + 110 * 1205 / 530, kMidRow), "450 nm  #1 11000.3  #2 5501.6");
    EXPECT_EQ(at(kLeft + 510 * 1205 / 530, kMidRow), "850 nm  #1 51000.3  #2 25501.6");
    in.mode = DISPLAY_CHROMATICITY;
    // The diagram 800 / 560 times as large (the height leaves less room than the width).
    const double scale = 800.0 / 560.0;
    const auto px = [scale](int v) { return static_cast<int>(v * scale) + 1; };
    EXPECT_EQ(at(px(485), px(54)), "x 0.7000  y 0.8000  u′ 0.2500  v′ 0.6429");
    EXPECT_EQ(at(px(88), px(508)), "x 0.0000  y 0.0000  u′ 0.0000  v′ 0.0000");
    EXPECT_EQ(at(px(486) + 1, px(300)), "");
}

}  // namespace
