#pragma once

#include <span>
#include <string_view>

#include <QSize>

class QPainter;
class GraphPalette;

// The LED control dialog's monitor graph: LED temperature on 20..80 (left axis), intensities at
// two wavelengths on 0..60000 (right axis), two pixels per sample along the time axis.
struct LedPlotFrame {
    int left = 55;
    int top = 45;
    int right = 0;
    int bottom = 0;
    int height() const { return bottom - top; }
};
LedPlotFrame LedPlotFrameFor(int width, int height);

// Samples that fit the plot: floor((right - left) / 2) for a panel width W.
int LedPlotCapacity(int width);

struct LedPlotInput {
    std::span<const float> temperature;  // LED temperature per kept sample
    std::span<const float> intensity1;   // brown curve; NaN: no value, a gap in the curve
    std::span<const float> intensity2;   // red curve; NaN as above
    int count = 0;                       // kept samples (each span holds at least count)
    std::string_view dateText;           // "%Y/%m/%d %H:%M:%S", local time
    std::string_view label;              // the LED unit's label
    float currentTemperature = 0.0f;
};

// Rows of the two scales (clamped to top..bottom by the curve functions only).
float LedTemperatureRow(const LedPlotFrame& f, double t);  // bottom - (t - 20) * Hp / 60
int LedIntensityTickRow(const LedPlotFrame& f, int v);     // bottom - floor(v * Hp / 60000)
float LedIntensityRow(const LedPlotFrame& f, float a);     // bottom - Hp * a / 60000

// Repaints the monitor panel: frame, date, label, current temperature, both axes, time axis and
// the three series.
void DrawLedMonitor(QPainter& p, QSize panel, const LedPlotInput& in, const GraphPalette& palette);
