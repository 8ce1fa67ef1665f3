// Pixels of the rendered graph panel: frames, grid, curves in each mode, clamping, and the
// limits that must not crash.
#include <array>
#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include "display/GraphPalette.h"
#include "display/LiveGraph.h"
#include "display/ModePainters.h"
#include "display/PanelPainter.h"

namespace {

constexpr int kW = 620;
constexpr int kH = 700;  // plot 55..585 x 10..675
const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kBlack = qRgb(0, 0, 0);
const QRgb kSilver = qRgb(192, 192, 192);

QRgb Device(int d) {
    return GraphPalette::DeviceColour(d).rgb();
}

class GraphPixels : public ::testing::Test {
  protected:
    GraphPixels() : image(kW, kH, QImage::Format_RGB32) {
        for (auto& s : spectra)
            s.fill(0.0f);
        for (int d = 0; d < MAX_DEVICES; ++d)
            in.liveSpectra[d] = spectra[d];
        in.dataSet = &data;
    }

    void Fill(int d, float v) { spectra[d].fill(v); }
    std::int32_t Draw() {
        image.fill(Qt::magenta);  // anything the graph does not paint stays visible
        return graph.DrawGraph(image, in);
    }
    QRgb At(int x, int y) const { return image.pixel(x, y); }
    int CountInPlot(QRgb c) const {
        int n = 0;
        for (int y = 11; y < 674; ++y)
            for (int x = 56; x < 584; ++x)
                n += image.pixel(x, y) == c;
        return n;
    }
    // A stored record with the given value at every point for the first devices.
    int AddRecord(float v) {
        const int r = data.AppendRecord(0);
        for (int d = 0; d < MAX_DEVICES; ++d)
            data.entry(d, r).values.fill(v);
        return r;
    }

    LiveGraph graph;
    GraphInput in;
    MeasurementDataSet data;
    std::array<SpectrumBuffer, MAX_DEVICES> spectra{};
    QImage image;
};

}  // namespace

// The view logic leaves the spectrum frame's limits alone for the painters
// that draw the whole panel: the two tables must agree.
TEST(ModePaintersTest, WholePanelPaintersAreThoseTheViewLogicKnows) {
    for (ModePainter p : {ModePainter::None, ModePainter::Line, ModePainter::Colour,
                          ModePainter::Relative, ModePainter::Chromaticity})
        EXPECT_EQ(PaintingOf(p).panel != nullptr, PaintsWholePanel(p)) << int(p);
}

TEST_F(GraphPixels, FramesAndGridWithoutDevices) {
    EXPECT_EQ(Draw(), 0);
    EXPECT_EQ(At(0, 0), kBlack);
    EXPECT_EQ(At(kW - 1, kH - 1), kBlack);
    EXPECT_EQ(At(1, 1), kWhite);       // the panel is cleared: no magenta left inside
    EXPECT_EQ(At(55, 10), kBlack);     // plot frame corner
    EXPECT_EQ(At(584, 674), kBlack);   // right - 1, bottom - 1
    EXPECT_EQ(At(585, 300), kWhite);   // the frame stops before right
    EXPECT_EQ(At(100, 625), kSilver);  // tick 5000: 675 - 50
    EXPECT_EQ(At(100, 16), kSilver);   // tick 65000
    EXPECT_EQ(At(100, 675), kSilver);  // tick 0 on the bottom line, below the frame
    EXPECT_EQ(At(584, 625), kBlack);   // the grid line ends before the right edge...
    EXPECT_EQ(At(65, 300), kSilver);   // 350 nm grid column
    EXPECT_EQ(At(66, 300), kWhite);
    EXPECT_EQ(CountInPlot(Device(0)), 0);  // no spectrometer: no curves
}

TEST_F(GraphPixels, SelectedCurveIsThreePixelsWideOthersOne) {
    in.deviceCount = 2;
    in.currentDevice = 0;
    Fill(0, 32768.0f);  // row 342
    Fill(1, 16384.0f);  // c = 166.25: row 508
    Draw();
    EXPECT_EQ(At(200, 340), kWhite);
    EXPECT_EQ(At(200, 341), Device(0));
    EXPECT_EQ(At(200, 342), Device(0));
    EXPECT_EQ(At(200, 343), Device(0));
    EXPECT_EQ(At(200, 344), kWhite);
    EXPECT_EQ(At(200, 507), kWhite);
    EXPECT_EQ(At(200, 508), Device(1));
    EXPECT_EQ(At(200, 509), kWhite);
}

TEST_F(GraphPixels, ValuesBeyondTheAxisLieOnThePlotEdges) {
    in.deviceCount = 3;
    in.currentDevice = 2;
    Fill(0, 70000.0f);
    Fill(1, -5.0f);
    Fill(2, 32768.0f);
    Draw();
    EXPECT_EQ(At(200, 10), Device(0));  // top line
    EXPECT_EQ(At(200, 11), kWhite);
    EXPECT_EQ(At(200, 675), Device(1));  // bottom line
}

// A device that did not answer leaves NaN in its spectrum: the curve has a gap there, it
// does not dive to the bottom edge.
class CurveGaps : public GraphPixels {
  protected:
    void SetUp() override {
        in.deviceCount = 2;
        in.currentDevice = 1;  // device 0 is drawn one pixel wide
        Fill(0, 32768.0f);     // row 342
        Fill(1, 16384.0f);     // row 508, clear of the bottom line
        for (int i = 140; i <= 150; ++i)
            spectra[0][i] = std::numeric_limits<float>::quiet_NaN();  // x 195..205
    }
    // Pixels of colour c in column x inside the plot.
    int CountInColumn(int x, QRgb c) const {
        int n = 0;
        for (int y = 11; y < 674; ++y)
            n += At(x, y) == c;
        return n;
    }
};

TEST_F(CurveGaps, NaNPointsBreakTheLineCurve) {
    spectra[0][300] = 32768.0f;  // a lone point between gaps: x 355
    spectra[0][299] = spectra[0][301] = std::numeric_limits<float>::quiet_NaN();
    Draw();
    EXPECT_EQ(At(190, 342), Device(0));
    EXPECT_EQ(At(210, 342), Device(0));
    for (int x = 196; x <= 204; ++x) {
        EXPECT_EQ(CountInColumn(x, Device(0)), 0) << "column " << x;
        EXPECT_EQ(At(x, 675), kSilver) << "nothing drawn down to the bottom edge";
    }
    EXPECT_EQ(At(355, 342), Device(0));
    EXPECT_EQ(At(354, 342), kWhite);
    EXPECT_EQ(At(356, 342), kWhite);
}

TEST_F(CurveGaps, InfinitiesStillReachTheEdges) {
    spectra[0][250] = std::numeric_limits<float>::infinity();   // x 305
    spectra[0][260] = -std::numeric_limits<float>::infinity();  // x 315
    Draw();
    EXPECT_EQ(At(305, 10), Device(0));
    EXPECT_EQ(At(315, 675), Device(0));
    EXPECT_EQ(CountInColumn(200, Device(0)), 0);
}

TEST_F(CurveGaps, ColourModeLeavesTheNaNColumnsEmpty) {
    in.mode = DISPLAY_COLOUR;
    in.currentDevice = 0;
    Draw();
    EXPECT_NE(At(190, 500), kWhite);  // filled below the curve
    for (int x = 196; x <= 204; ++x)
        EXPECT_EQ(At(x, 500), kWhite) << "column " << x;
    EXPECT_EQ(At(200, 342), kWhite);
}

TEST_F(CurveGaps, RelativeModesLeaveAGapForAMissingSampleOrReference) {
    in.mode = DISPLAY_ABSORPTANCE;
    in.referenceIndex = AddRecord(2000.0f);
    Fill(0, 200.0f);  // absorptance 1: row 542
    for (int i = 140; i <= 150; ++i)
        spectra[0][i] = std::numeric_limits<float>::quiet_NaN();
    Draw();
    EXPECT_EQ(At(190, 542), Device(0));
    EXPECT_EQ(CountInColumn(200, Device(0)), 0) << "a NaN sample is no absorptance";

    in.mode = DISPLAY_COMPARISON;
    Fill(0, 1000.0f);                                              // 50 %: row 397
    data.entry(0, in.referenceIndex).values[200] = std::nanf("");  // x 255
    data.entry(0, in.referenceIndex).values[201] = std::nanf("");  // x 256
    Draw();
    EXPECT_EQ(At(250, 397), Device(0));
    EXPECT_EQ(CountInColumn(255, Device(0)), 0) << "a NaN reference is no ratio";
    EXPECT_EQ(CountInColumn(256, Device(0)), 0);
}

TEST_F(GraphPixels, ColourModeFillsWithWavelengthPens) {
    in.mode = DISPLAY_COLOUR;
    in.deviceCount = 2;
    in.currentDevice = 1;
    Fill(1, 32768.0f);  // top of the fill is row 343 (the end point 342 is not painted)
    Draw();
    const int x510 = 55 + 170;  // 510 nm
    EXPECT_EQ(At(x510, 400), qRgb(0, 177, 65));
    EXPECT_EQ(At(x510, 343), qRgb(0, 177, 65));
    EXPECT_EQ(At(x510, 342), kWhite);
    EXPECT_EQ(At(55 + 270, 600), qRgb(255, 0, 0));  // 610 nm
    EXPECT_EQ(At(55 + 20, 600), kBlack);            // 360 nm: the table has no colour there
}

TEST_F(GraphPixels, ColourModeDrawsNothingWithTheNearInfraredSensor) {
    in.mode = DISPLAY_COLOUR;
    in.nirSensor = true;
    in.pointCount = 411;
    in.firstWavelength = 640;
    in.deviceCount = 1;
    Fill(0, 65535.0f);
    Draw();
    EXPECT_EQ(At(300, 400), kWhite);
}

TEST_F(GraphPixels, ComparisonAxisUsesTheDerivedMinimum) {
    in.mode = DISPLAY_COMPARISON;
    in.limits.graphMin = 10000;
    EXPECT_EQ(Draw(), 18);
    EXPECT_EQ(At(100, 662), kSilver);  // tick 20
    EXPECT_EQ(At(100, 675), kWhite);   // no tick at 18
}

TEST_F(GraphPixels, ComparisonCurvesAgainstTheReference) {
    in.mode = DISPLAY_COMPARISON;
    in.deviceCount = 1;
    data.deviceCount = 1;
    data.referenceIndex = in.referenceIndex = AddRecord(1000.0f);
    in.comparisonIndex = AddRecord(500.0f);  // 50 %: c = 277.08, row 397
    Fill(0, 1000.0f);                        // 100 %: row 120
    Draw();
    EXPECT_EQ(At(200, 119), Device(0));  // selected: three pixels wide
    EXPECT_EQ(At(200, 120), Device(0));
    EXPECT_EQ(At(200, 121), Device(0));
    EXPECT_EQ(At(200, 397), Device(0));  // comparison record: one pixel
    EXPECT_EQ(At(200, 396), kWhite);
    EXPECT_EQ(At(200, 398), kSilver);  // the 50 % tick just below
}

TEST_F(GraphPixels, ComparisonWithoutReferenceDrawsNoCurves) {
    in.deviceCount = 1;
    AddRecord(1000.0f);
    Fill(0, 1000.0f);
    for (int mode : {DISPLAY_COMPARISON, DISPLAY_ABSORPTANCE}) {
        in.mode = mode;
        in.referenceIndex = -1;
        Draw();
        EXPECT_EQ(CountInPlot(Device(0)), 0) << "mode " << mode;
        in.referenceIndex = 5;  // beyond recordCount
        Draw();
        EXPECT_EQ(CountInPlot(Device(0)), 0) << "mode " << mode;
    }
}

TEST_F(GraphPixels, AbsorptanceOfHalfTheReference) {
    in.mode = DISPLAY_ABSORPTANCE;
    in.deviceCount = 1;
    in.referenceIndex = AddRecord(2000.0f);
    Fill(0, 200.0f);  // absorptance 1: c = 133, row 542
    Draw();
    EXPECT_EQ(At(200, 542), Device(0));
}

TEST_F(GraphPixels, StoredDisplayReadsTheSelectedRecord) {
    in.deviceCount = 1;
    in.monitoring = false;
    AddRecord(0.0f);
    in.selectedRecord = AddRecord(32768.0f);
    Fill(0, 0.0f);
    Draw();
    EXPECT_EQ(At(200, 342), Device(0));
}

TEST_F(GraphPixels, LimitsWithMaxNotAboveMinDrawFrameWithoutCurves) {
    in.deviceCount = 1;
    Fill(0, 500.0f);
    for (int mode : {DISPLAY_LINE, DISPLAY_COLOUR, DISPLAY_COMPARISON, DISPLAY_ABSORPTANCE}) {
        in.mode = mode;
        in.referenceIndex = AddRecord(500.0f);
        in.limits = AxisLimits{};
        in.limits.graphMax = in.limits.graphMin = 100;
        in.limits.ratioMax = 0;
        in.limits.absorptionMax = -1;
        Draw();
        EXPECT_EQ(At(55, 10), kBlack) << "mode " << mode;
        EXPECT_EQ(CountInPlot(Device(0)), 0) << "mode " << mode;
        in.limits.graphMax = 0;  // ratioMin would divide by zero
        Draw();
        EXPECT_EQ(At(55, 10), kBlack) << "mode " << mode;
    }
}

TEST_F(GraphPixels, ChromaticityWithOtherSensorsShowsTheCountsAxis) {
    in.mode = DISPLAY_CHROMATICITY;
    in.uvSensor = true;
    in.pointCount = 251;
    in.firstWavelength = 190;
    in.deviceCount = 1;
    Fill(0, 32768.0f);
    Draw();
    EXPECT_EQ(At(55, 10), kBlack);
    EXPECT_EQ(At(100, 625), kSilver);
    EXPECT_EQ(CountInPlot(Device(0)), 0);
}

// graph/kind as another version may have written it.
TEST_F(GraphPixels, AModeOfNoRowShowsTheCountsAxisWithoutCurves) {
    in.deviceCount = 1;
    Fill(0, 32768.0f);
    for (int mode : {-1, 5, 1000}) {
        in.mode = mode;
        Draw();
        EXPECT_EQ(At(55, 10), kBlack) << "mode " << mode;
        EXPECT_EQ(At(100, 625), kSilver) << "mode " << mode;
        EXPECT_EQ(CountInPlot(Device(0)), 0) << "mode " << mode;
    }
}

// Three kinds at once: ultraviolet 190..440, visible 340..850, near-infrared 640..1050 nm.
// The axis runs 190..1050 nm over columns 55..583 (x = 55 + (nm - 190) * 528 / 860), grid
// lines every 100 nm; each curve lies on its own wavelengths only.
class MixedGrids : public GraphPixels {
  protected:
    void SetUp() override {
        in.deviceCount = 3;
        in.currentDevice = 1;
        for (int d = 0; d < 3; ++d)
            in.liveGrids[d] = kGrids[d];
        data.deviceCount = 3;
        data.SetDeviceGrids({kGrids[0], kGrids[1], kGrids[2]});
    }
    // Curves at rows 508 (device 0), 341..343 (1, selected) and 176 (2).
    void ExpectCurvesOnTheirGrids() const {
        EXPECT_EQ(At(100, 508), Device(0));
        EXPECT_EQ(At(207, 508), Device(0));
        EXPECT_EQ(At(210, 508), kWhite);
        EXPECT_EQ(At(146, 342), kWhite);
        EXPECT_EQ(At(147, 342), Device(1));
        EXPECT_EQ(At(459, 342), Device(1));
        EXPECT_EQ(At(462, 342), kWhite);
        EXPECT_EQ(At(329, 176), kWhite);
        EXPECT_EQ(At(331, 176), Device(2));
        EXPECT_EQ(At(582, 176), Device(2));
    }
    static constexpr WavelengthGrid kGrids[3] = {{190, 251}, {340, 511}, {640, 411}};
};

TEST_F(MixedGrids, EachCurveOnItsOwnWavelengthsOverTheUnionAxis) {
    Fill(0, 16384.0f);  // row 508, columns 55 (190 nm) .. 208 (440 nm)
    Fill(1, 32768.0f);  // rows 341..343 (selected), columns 147 (340 nm) .. 460 (850 nm)
    Fill(2, 49152.0f);  // row 176, columns 331 (640 nm) .. 583 (1050 nm)
    Draw();
    ExpectCurvesOnTheirGrids();
    // Grid lines at 200 (61), 300 (122), 1000 (552) nm; none at 250 nm (91) or 190 nm.
    for (int x : {61, 122, 552})
        EXPECT_EQ(At(x, 300), kSilver) << x;
    for (int x : {56, 91, 65})
        EXPECT_EQ(At(x, 300), kWhite) << x;

    // The peak label of each device on its own grid: the near-infrared device's highest point
    // at 700 nm is point 60 of its grid. Its label stands right of and above that point, in
    // the device's colour: 700 nm at column 55 + 510 * 528 / 860 = 368, 50000 counts at row
    // trunc(675 - 507.34) = 167.
    spectra[2][60] = 50000.0f;
    in.serials[2] = "N3";
    Draw();
    const QString text = QStringLiteral("N3 peak 50000 ( 700nm)");
    const QFontMetrics metrics(PanelFont());
    const QRect box(368 + 4, 167 - metrics.height() - 3, metrics.horizontalAdvance(text) + 4,
                    metrics.height());
    int inColour = 0;
    int elsewhere = 0;
    for (int y = 11; y < 675; ++y)
        for (int x = 56; x < 584; ++x)
            if (At(x, y) == Device(2) && y < 170)
                (box.contains(x, y) ? inColour : elsewhere) += 1;
    EXPECT_GT(inColour, 40);   // the text's pixels
    EXPECT_LT(elsewhere, 12);  // the curve's rise to the peak only
}

TEST_F(MixedGrids, StoredDisplayDrawsEachDeviceOnTheDataSetsGrid) {
    in.monitoring = false;
    in.liveGrids = {};  // only the data set's grids count
    in.selectedRecord = AddRecord(0.0f);
    const float values[3] = {16384.0f, 32768.0f, 49152.0f};
    for (int d = 0; d < 3; ++d)
        data.entry(d, in.selectedRecord).values.fill(values[d]);
    Draw();
    ExpectCurvesOnTheirGrids();
}

TEST_F(MixedGrids, RatioAgainstEachDevicesOwnReferenceOnItsGrid) {
    in.mode = DISPLAY_COMPARISON;
    in.referenceIndex = AddRecord(0.0f);
    // References vary along each grid; a sample read at the wrong point would not be flat.
    for (int d = 0; d < 3; ++d) {
        for (int i = 0; i < kGrids[d].pointCount; ++i) {
            data.entry(d, in.referenceIndex).values[i] = 1000.0f + 10.0f * i;
            spectra[d][i] = (d == 0 ? 0.75f : d == 1 ? 1.0f : 0.5f) * (1000.0f + 10.0f * i);
        }
    }
    Draw();
    // 75 %: row 259; 100 %: row 120 (selected, three wide); 50 %: row 397.
    for (int x : {60, 150, 200})
        EXPECT_EQ(At(x, 259), Device(0)) << x;
    EXPECT_EQ(At(215, 259), kWhite);
    for (int x : {150, 300, 455})
        EXPECT_EQ(At(x, 120), Device(1)) << x;
    EXPECT_EQ(At(470, 120), kWhite);
    for (int x : {335, 450, 580})
        EXPECT_EQ(At(x, 397), Device(2)) << x;
    EXPECT_EQ(At(320, 397), kWhite);
}

TEST_F(MixedGrids, ColourModeFillsTheCurrentDevicesWavelengths) {
    in.mode = DISPLAY_COLOUR;
    in.currentDevice = 0;
    Fill(0, 32768.0f);
    Draw();
    // 420 nm at column 55 + 230 * 528 / 860 = 196: the colour of 420 nm; nothing past 440 nm.
    EXPECT_EQ(At(196, 400), qRgb(79, 0, 154));
    EXPECT_EQ(At(100, 400), kBlack);  // 264 nm: no colour
    EXPECT_EQ(At(215, 400), kWhite);
}

namespace {

// sRGB component to linear light.
double Linear(int v) {
    const double s = v / 255.0;
    return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
}
// WCAG 2 relative luminance and contrast, worked out here rather than taken from the palette.
double Luminance(const QColor& c) {
    return 0.2126 * Linear(c.red()) + 0.7152 * Linear(c.green()) + 0.0722 * Linear(c.blue());
}
double ContrastOnWhite(const QColor& c) {
    return 1.05 / (Luminance(c) + 0.05);
}
// CIE 1976 colour difference (CIELAB, D65 white).
double DeltaE(const QColor& a, const QColor& b) {
    auto lab = [](const QColor& c) {
        const double r = Linear(c.red()), g = Linear(c.green()), bl = Linear(c.blue());
        const double x = (0.4124 * r + 0.3576 * g + 0.1805 * bl) / 0.95047;
        const double y = 0.2126 * r + 0.7152 * g + 0.0722 * bl;
        const double z = (0.0193 * r + 0.1192 * g + 0.9505 * bl) / 1.08883;
        auto f = [](double t) { return t > 0.008856 ? std::cbrt(t) : 7.787 * t + 16.0 / 116.0; };
        return std::array<double, 3>{116 * f(y) - 16, 500 * (f(x) - f(y)), 200 * (f(y) - f(z))};
    };
    const auto p = lab(a), q = lab(b);
    return std::hypot(p[0] - q[0], p[1] - q[1], p[2] - q[2]);
}

}  // namespace

// Ten device colours, each its own (a colour difference of 20 at least) and readable on the
// white panel (3:1 at least, so neither yellow nor light grey), in every pen of the palette.
TEST(GraphPalette, TenDistinctColoursReadableOnWhite) {
    GraphPalette p;
    for (int d = 0; d < MAX_DEVICES; ++d) {
        const QColor c = GraphPalette::DeviceColour(d);
        EXPECT_GE(ContrastOnWhite(c), 3.0) << d << " " << c.name().toStdString();
        EXPECT_EQ(p.devicePen(d, false).color(), c);
        EXPECT_EQ(p.devicePen(d, true).color(), c);
        for (int e = 0; e < d; ++e)
            EXPECT_GE(DeltaE(c, GraphPalette::DeviceColour(e)), 20.0) << d << " and " << e;
    }
    EXPECT_EQ(GraphPalette::DeviceColour(1), QColor(0xD5, 0x5E, 0x00));  // vermillion
    EXPECT_EQ(GraphPalette::DeviceColour(9), QColor(0x88, 0x22, 0x55));  // wine
    // Pure yellow and light grey, for comparison, fail the contrast.
    EXPECT_LT(ContrastOnWhite(QColor(0xF0, 0xE4, 0x42)), 3.0);
    EXPECT_LT(ContrastOnWhite(QColor(192, 192, 192)), 3.0);
}

TEST(GraphPalette, Colours) {
    GraphPalette p;
    EXPECT_EQ(GraphPalette::DeviceColour(0), QColor(0x00, 0x72, 0xB2));  // Okabe-Ito blue
    EXPECT_EQ(GraphPalette::DeviceColour(5), QColor(0x2C, 0x8D, 0xAA));  // sky blue, darkened
    EXPECT_EQ(p.devicePen(3, true).width(), 3);
    EXPECT_EQ(p.devicePen(3, false).width(), 1);
    EXPECT_EQ(p.gridPen().color(), QColor(192, 192, 192));
    struct Row {
        int i;
        QColor c;
    };
    for (const Row& r :
         {Row{0, QColor(0, 0, 0)}, Row{40, QColor(15, 0, 28)}, Row{49, QColor(15, 0, 28)},
          Row{170, QColor(0, 177, 65)}, Row{260, QColor(254, 79, 0)}, Row{270, QColor(255, 0, 0)},
          Row{439, QColor(9, 0, 2)}, Row{440, QColor(0, 0, 0)}, Row{510, QColor(0, 0, 0)}}) {
        EXPECT_EQ(p.wavelengthPen(r.i).color(), r.c) << "pen " << r.i;
    }
    EXPECT_EQ(PenComponent(1.0), 255);
    EXPECT_EQ(PenComponent(0.99803), 254);
}
