// The upload dialog's graph and the LED monitor graph.
#include <limits>

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "display/GraphPalette.h"
#include "display/LedMonitorPlot.h"
#include "display/LoggedRecordGraph.h"
#include "display/TrendPlot.h"

namespace {
const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kBlack = qRgb(0, 0, 0);
const QRgb kSilver = qRgb(192, 192, 192);
QRgb Device(int d) {
    return GraphPalette::DeviceColour(d).rgb();
}
}  // namespace

class LoggedRecordPixels : public ::testing::Test {
  protected:
    LoggedRecordPixels() : image(620, 700, QImage::Format_RGB32) {
        spectrum.fill(32768.0f);
        in.spectrum = spectrum;
        in.deviceCount = 1;
    }
    void Draw() {
        image.fill(Qt::magenta);
        QPainter p(&image);
        DrawLoggedRecord(p, image.size(), in, palette);
    }
    GraphPalette palette;
    std::array<float, 511> spectrum{};
    LoggedRecordInput in;
    QImage image;
};

TEST_F(LoggedRecordPixels, CurveInDeviceColourZeroOnTheCountsGrid) {
    in.currentDevice = 4;
    Draw();
    EXPECT_EQ(image.pixel(0, 0), kBlack);
    EXPECT_EQ(image.pixel(55, 10), kBlack);
    EXPECT_EQ(image.pixel(100, 625), kSilver);
    EXPECT_EQ(image.pixel(200, 342), Device(0));
    EXPECT_EQ(image.pixel(200, 341), kWhite);  // one pixel wide
}

TEST_F(LoggedRecordPixels, NaNPointsLeaveAGap) {
    for (int i = 140; i <= 150; ++i)
        spectrum[i] = std::numeric_limits<float>::quiet_NaN();  // x 195..205
    Draw();
    EXPECT_EQ(image.pixel(190, 342), Device(0));
    EXPECT_EQ(image.pixel(210, 342), Device(0));
    for (int y = 11; y < 674; ++y)
        ASSERT_NE(image.pixel(200, y), Device(0)) << "row " << y;
    EXPECT_EQ(image.pixel(200, 675), kSilver);  // the 0 tick, not a line to the bottom
}

TEST_F(LoggedRecordPixels, NoDeviceNoCurve) {
    in.deviceCount = 0;
    Draw();
    EXPECT_EQ(image.pixel(200, 342), kWhite);
}

TEST_F(LoggedRecordPixels, EqualLimitsDrawTheFrameOnly) {
    in.graphMax = in.graphMin = 1000;
    Draw();
    EXPECT_EQ(image.pixel(55, 10), kBlack);
    EXPECT_EQ(image.pixel(200, 10), kBlack);
    EXPECT_EQ(image.pixel(200, 11), kWhite);
    EXPECT_EQ(image.pixel(200, 675), kWhite);
}

TEST(LedPlot, CapacityFromThePlotWidth) {
    EXPECT_EQ(LedPlotCapacity(585), 235);  // a 470-pixel plot
    EXPECT_EQ(LedPlotCapacity(586), 235);
    EXPECT_EQ(LedPlotCapacity(587), 236);
    EXPECT_EQ(LedPlotCapacity(100), 0);
}

TEST(LedPlot, Scales) {
    const LedPlotFrame f = LedPlotFrameFor(650, 800);  // 55..590 x 45..775, Hp 730
    EXPECT_EQ(f.right, 590);
    EXPECT_EQ(f.bottom, 775);
    EXPECT_FLOAT_EQ(LedTemperatureRow(f, 20), 775.0f);
    EXPECT_FLOAT_EQ(LedTemperatureRow(f, 80), 45.0f);
    EXPECT_NEAR(LedTemperatureRow(f, 25), 775.0 - 5 * 730 / 60.0, 1e-4);
    EXPECT_EQ(LedIntensityTickRow(f, 5000), 775 - 60);  // floor(5000 * 730 / 60000) = 60
    EXPECT_FLOAT_EQ(LedIntensityRow(f, 30000), 410.0f);
}

TEST(LedPlot, OutOfRangeSamplesOnTheEdges) {
    QImage image(585, 600, QImage::Format_RGB32);  // plot 55..525 x 45..575
    image.fill(Qt::magenta);
    const std::array<float, 3> temperature{10, 10, 10};  // below 20: bottom
    const std::array<float, 3> a1{70000, 70000, 70000};  // above 60000: top
    const std::array<float, 3> a2{30000, 30000, 30000};
    LedPlotInput in{temperature, a1, a2, 3, "2026/12/08 12:00:00", "LED ver 1.0", 25.0f};
    GraphPalette palette;
    QPainter p(&image);
    DrawLedMonitor(p, image.size(), in, palette);
    p.end();
    EXPECT_EQ(image.pixel(0, 0), kBlack);
    EXPECT_EQ(image.pixel(57, 575), kBlack);     // temperature on the bottom line
    EXPECT_EQ(image.pixel(57, 45), Device(0));   // brown on the top line
    EXPECT_EQ(image.pixel(57, 310), Device(1));  // red at half scale: 575 - 265
    EXPECT_EQ(image.pixel(95, 200), kSilver);    // time grid at k = 20
    EXPECT_EQ(image.pixel(300, 530), kSilver);   // 25 degrees
}

// A sample without a value (a wavelength off the first device's grid) is no point: the curve
// breaks there instead of dropping to the bottom line.
TEST(LedPlot, BlankSamplesLeaveAGap) {
    QImage image(585, 600, QImage::Format_RGB32);  // plot 55..525 x 45..575
    image.fill(Qt::magenta);
    const float none = std::numeric_limits<float>::quiet_NaN();
    const std::array<float, 6> temperature{30, 30, 30, 30, 30, 30};
    const std::array<float, 6> a1{36000, 36000, none, none, 36000, 36000};  // row 257
    const std::array<float, 6> a2{none, none, none, none, none, none};
    LedPlotInput in{temperature, a1, a2, 6, "2026/12/08 12:00:00", "LED ver 1.0", 25.0f};
    GraphPalette palette;
    QPainter p(&image);
    DrawLedMonitor(p, image.size(), in, palette);
    p.end();
    // Samples at columns 55, 57, .., 65.
    EXPECT_EQ(image.pixel(56, 257), Device(0));
    EXPECT_EQ(image.pixel(61, 257), kWhite);  // between samples 1 and 4
    EXPECT_EQ(image.pixel(64, 257), Device(0));
    for (int x = 56; x < 66; ++x) {
        for (int y = 46; y <= 575; ++y)
            ASSERT_NE(image.pixel(x, y), Device(1)) << x << "," << y;
        EXPECT_NE(image.pixel(x, 575), Device(0)) << x;
    }
}

// Ten devices with long serials: the trend legend wraps onto more rows and names every one,
// each entry inside the picture, the panels below the legend.
TEST(TrendLegend, WrapsSoEveryDeviceIsNamed) {
    TrendTable table;
    table.timeStamps = {0, 1000, 2000};
    for (int d = 0; d < MAX_DEVICES; ++d) {
        table.serialText.push_back(QByteArray("SERIAL-LONG-") + QByteArray::number(d));
        table.columns.push_back({TrendQuantity::PeakHeight, d, "peak", {1.0, 2.0, 3.0}});
        table.columns.push_back({TrendQuantity::Intensity, d, "nm450", {1.0, 2.0, 3.0}});
    }
    std::vector<int> shown(table.columns.size());
    for (std::size_t i = 0; i < shown.size(); ++i)
        shown[i] = static_cast<int>(i);
    TrendPlot plot;
    plot.Layout(table, shown, TrendAxis::Record, QSize(700, 500));
    std::vector<QString> devices;
    int lastRow = 0;
    int lastX = -1;
    for (const TrendPlot::LegendEntry& e : plot.legend()) {
        if (e.device)
            devices.push_back(e.text);
        EXPECT_LT(e.x, 700 - 14) << e.text.toStdString();
        if (e.row == lastRow) {
            EXPECT_GT(e.x, lastX);
        }
        lastRow = e.row;
        lastX = e.x;
    }
    ASSERT_EQ(devices.size(), 10u);
    EXPECT_EQ(devices.back(), "SERIAL-LONG-9");
    EXPECT_GT(plot.legendRows(), 1);
    EXPECT_EQ(plot.legend().back().row, plot.legendRows() - 1);
    EXPECT_GE(plot.panelRect(0).top(), 6 + 16 * plot.legendRows());
    // The tenth device's swatch is drawn.
    const QImage image = plot.Render();
    const TrendPlot::LegendEntry& last = plot.legend().back();
    EXPECT_EQ(image.pixel(last.x + 5, 15 + 16 * last.row - 4), GraphPalette::DeviceColour(9).rgb());
    // A picture wide enough keeps one row.
    plot.Layout(table, shown, TrendAxis::Record, QSize(3000, 500));
    EXPECT_EQ(plot.legendRows(), 1);
}
