#pragma once

#include "viewlogic/DrawnLimits.h"  // DerivedRatioMin

#include <array>
#include <cstdint>
#include <limits>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "device/DeviceSlot.h"
#include "viewlogic/DisplayModes.h"  // AxisKind

// Pure geometry of the spectrum graph: where frames, grid lines, ticks and curve points go.
// Painting (LiveGraph, LoggedRecordGraph) only draws what these functions return.

// The plot area inside a panel of W x H pixels: left 55, top 10, right W - 35, bottom H - 25.
struct PlotFrame {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int height() const { return bottom - top; }  // Hp
};
PlotFrame PlotFrameFor(int width, int height);

// One wavelength grid line: x column and the wavelength it is labelled with.
struct WavelengthTick {
    int x = 0;
    int wavelength = 0;
};
// Grid positions at every multiple of 50 nm: i runs 0..N-2 with the near-infrared sensor,
// otherwise 0..N+18 (one pixel per point). Writes into out, returns how many were written.
int WavelengthTicks(const PlotFrame& f, int pointCount, int firstWavelength, bool nirSensor,
                    std::span<WavelengthTick> out);
inline constexpr int kMaxWavelengthTicks = 32;

// The wavelength axis of the spectrum graph, over the grids of the devices shown.
// Devices of one grid: one column per point from the frame's left edge, as that grid
// alone. Grids that differ: the axis runs from the smallest first wavelength to the
// largest last one, one column per nm while that fits the frame, else squeezed so
// that the last wavelength lies on the column before the frame's right edge (several
// wavelengths then share a column).
// A frame wider than that of the 620-pixel panel (kBasePlotWidth) stretches either
// axis by its width over kBasePlotWidth, so the curves take the panel the window gives.
struct WavelengthAxis {
    int left = 0;  // column of firstWavelength
    int firstWavelength = 340;
    int pointCount = 511;  // wavelengths firstWavelength .. + pointCount - 1
    int span = 0;          // nm the columns are spread over; 0: one column per nm
    int columns = 0;       // columns the span is spread over
    bool gridsDiffer = false;

    bool mixed() const { return gridsDiffer; }
    bool scaled() const { return span > 0; }
    int lastWavelength() const { return firstWavelength + pointCount - 1; }
    // Column of a wavelength (one grid: also beyond the grid's ends).
    int Column(long long nm) const;
    // Squeezed: the shortest wavelength drawn at column x; stretched: the nearest one;
    // kNoWavelength left of the axis.
    long long WavelengthAt(int x) const;
};
// The plot width of the 620-pixel panel: one column per nm of the visible grid and 19 more.
inline constexpr int kBasePlotWidth = 530;
inline constexpr long long kNoWavelength = std::numeric_limits<long long>::min();

// The axis of the given grids (the first count of them); all equal, or none: `single`
// (the set-wide grid) when there are none, else that grid.
WavelengthAxis WavelengthAxisFor(const PlotFrame& f, std::span<const WavelengthGrid> grids,
                                 WavelengthGrid single);
// Grid lines of an axis: one grid as WavelengthTicks above; mixed grids at every multiple
// of 50 nm from the first to the last wavelength, or of 100 nm when 50 nm take fewer than
// 40 columns (their labels would run into each other).
int WavelengthTicks(const PlotFrame& f, const WavelengthAxis& axis, bool nirSensor,
                    std::span<WavelengthTick> out);

// Step of the counts axis: 100 when max-min <= 1000, 500 when <= 2000, 1000 when < 10000,
// else 5000.
std::int64_t CountsStep(std::int64_t min, std::int64_t max);

// Row of value v on an axis min..max: bottom - (v - min) * Hp / (max - min), integer arithmetic
// truncating toward zero (64-bit, so 65535 * a tall panel cannot overflow). Requires max > min.
int TickRow(const PlotFrame& f, std::int64_t v, std::int64_t min, std::int64_t max);

// One value-axis tick: its row and the value it is labelled with.
struct ValueTick {
    int y = 0;
    std::int64_t value = 0;
};
// The ticks of one axis: values from min up to, not including, max that are multiples of the
// step (counts: CountsStep, ratio: 10, absorptance: 1). An axis with max <= min has none, and so
// has an axis with more than kMaxValueTicks ticks (their labels would run into a solid block).
std::vector<ValueTick> ValueTicks(const PlotFrame& f, AxisKind kind, std::int64_t min,
                                  std::int64_t max);
inline constexpr int kMaxValueTicks = 1000;

// A short label text held without allocation.
struct LabelText {
    std::array<char, 48> chars{};
    int size = 0;
    std::string_view view() const { return {chars.data(), static_cast<std::size_t>(size)}; }
};
LabelText PeakLabel(float value, std::int32_t wavelength);  // "peak %5.0f ( %dnm)"
LabelText TemperatureLabel(float t);                        // "%4.1f"
LabelText LedTemperatureLabel(float t);                     // "%4.1f(LED)"
LabelText WavelengthLabel(int nm);                          // "%d"

// A label's box on the panel: left, top, width, height.
struct LabelBox {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    int right() const { return left + width; }  // exclusive
    int bottom() const { return top + height; }
    bool Overlaps(const LabelBox& o) const {
        return left < o.right() && o.left < right() && top < o.bottom() && o.top < bottom();
    }
};
// Places labels in order, each as near its wanted box as it can: first moved inside the
// frame, then up and down in steps of `step` rows (nearest first) until it clears the labels
// already placed; one that finds no clear place within the frame keeps its place inside it.
std::vector<LabelBox> PlaceLabels(std::span<const LabelBox> wanted, const PlotFrame& f,
                                  int step = 2);

// Label texts: "%4d" for counts, "%3.0f" for ratio and absorptance, "%d" for wavelengths.
std::string ValueLabel(AxisKind kind, std::int64_t value);

// The scale of one curve: c = (value - min) * Hp / (max - min).
struct CurveScale {
    double min = 0;
    double max = 1;
    int bottom = 0;
    int hp = 0;
    bool valid() const { return max > min; }  // max <= min: nothing is plotted
};

// The row of a value that has no place on the graph (NaN: a device that did not answer). The
// curve has a gap there instead of a line to an edge.
inline constexpr int kNoRow = std::numeric_limits<int>::min();

// Row of a counts value: c computed in single precision, clamped to 0..Hp, y = trunc(bottom - c).
// +inf goes to the top line, -inf to the bottom line, NaN has kNoRow.
int CountsRow(const CurveScale& s, float value);

// Row of a ratio or absorptance value: c computed in double and rounded to single, then clamped
// as above. +inf goes to the top line, -inf to the bottom line, NaN has kNoRow.
int DoubleRow(const CurveScale& s, double value);

// Clamp of a height above the bottom line to 0..Hp (NaN -> 0).
float ClampHeight(float c, int hp);
