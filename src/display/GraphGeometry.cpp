#include "display/GraphGeometry.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

PlotFrame PlotFrameFor(int width, int height) {
    return PlotFrame{55, 10, width - 35, height - 25};
}

int WavelengthTicks(const PlotFrame& f, int pointCount, int firstWavelength, bool nirSensor,
                    std::span<WavelengthTick> out) {
    const int last = nirSensor ? pointCount - 2 : pointCount + 18;
    int n = 0;
    for (int i = 0; i <= last && n < static_cast<int>(out.size()); ++i) {
        const int nm = firstWavelength + i;
        if (nm % 50 == 0)
            out[n++] = WavelengthTick{f.left + i, nm};
    }
    return n;
}

int WavelengthAxis::Column(long long nm) const {
    const long long k = nm - firstWavelength;
    if (!scaled())
        return static_cast<int>(left + k);
    return static_cast<int>(left + k * columns / span);
}

long long WavelengthAxis::WavelengthAt(int x) const {
    const long long c = static_cast<long long>(x) - left;
    if (c < 0)
        return kNoWavelength;
    if (!scaled())
        return firstWavelength + c;
    if (columns <= 0)
        return firstWavelength;
    if (columns > span)  // stretched: the point nearest to the column
        return firstWavelength + (2 * c * span + columns) / (2 * columns);
    // The smallest k whose column k * columns / span (truncated) reaches c.
    return firstWavelength + (c * span + columns - 1) / columns;
}

WavelengthAxis WavelengthAxisFor(const PlotFrame& f, std::span<const WavelengthGrid> grids,
                                 WavelengthGrid single) {
    WavelengthAxis axis;
    axis.left = f.left;
    if (!grids.empty())
        single = grids.front();
    axis.firstWavelength = single.firstWavelength;
    axis.pointCount = std::clamp<int>(single.pointCount, 0, MAX_POINTS);
    const int width = f.right - f.left;
    const bool mixed = std::any_of(grids.begin(), grids.end(),
                                   [&](const WavelengthGrid& g) { return !(g == grids.front()); });
    if (!mixed) {
        if (width > kBasePlotWidth) {
            axis.span = kBasePlotWidth;
            axis.columns = width;
        }
        return axis;
    }
    long long first = grids.front().firstWavelength;
    long long last = grids.front().lastWavelength();
    for (const WavelengthGrid& g : grids) {
        if (g.pointCount <= 0)
            continue;
        first = std::min<long long>(first, g.firstWavelength);
        last = std::max<long long>(last, g.lastWavelength());
    }
    axis.gridsDiffer = true;
    axis.firstWavelength = static_cast<int>(first);
    axis.pointCount = static_cast<int>(last - first + 1);
    axis.span = static_cast<int>(std::max<long long>(last - first, 1));
    // As in the 620-pixel panel, then stretched by a wider frame.
    const int base = std::min(width, kBasePlotWidth);
    axis.columns = std::clamp(base - 2, 0, axis.span);
    if (width > kBasePlotWidth)
        axis.columns =
            static_cast<int>(static_cast<long long>(axis.columns) * width / kBasePlotWidth);
    return axis;
}

int WavelengthTicks(const PlotFrame& f, const WavelengthAxis& axis, bool nirSensor,
                    std::span<WavelengthTick> out) {
    if (!axis.scaled())
        return WavelengthTicks(f, axis.pointCount, axis.firstWavelength, nirSensor, out);
    int n = 0;
    const int first = axis.firstWavelength;
    if (!axis.mixed()) {
        // One grid stretched: the positions of the 620-pixel panel, further apart.
        const int last = nirSensor ? axis.pointCount - 2 : axis.pointCount + 18;
        for (int i = 0; i <= last && n < static_cast<int>(out.size()); ++i)
            if ((first + i) % 50 == 0)
                out[n++] = WavelengthTick{axis.Column(first + i), first + i};
        return n;
    }
    const int step = 50LL * axis.columns < 40LL * axis.span ? 100 : 50;
    int nm = first % step == 0 ? first : first - first % step + (first > 0 ? step : 0);
    for (; nm <= axis.lastWavelength() && n < static_cast<int>(out.size()); nm += step)
        out[n++] = WavelengthTick{axis.Column(nm), nm};
    return n;
}

std::int64_t CountsStep(std::int64_t min, std::int64_t max) {
    const std::int64_t span = max - min;
    if (span <= 1000)
        return 100;
    if (span <= 2000)
        return 500;
    if (span < 10000)
        return 1000;
    return 5000;
}

int TickRow(const PlotFrame& f, std::int64_t v, std::int64_t min, std::int64_t max) {
    return f.bottom - static_cast<int>((v - min) * f.height() / (max - min));
}

namespace {

std::int64_t StepOf(AxisKind kind, std::int64_t min, std::int64_t max) {
    switch (kind) {
        case AxisKind::Counts:
            return CountsStep(min, max);
        case AxisKind::Ratio:
            return 10;
        case AxisKind::Absorptance:
            return 1;
    }
    return 1;
}

// Smallest multiple of step that is >= v (step > 0).
std::int64_t FirstMultiple(std::int64_t v, std::int64_t step) {
    std::int64_t q = v / step;  // truncates toward zero
    if (q * step < v)
        ++q;
    return q * step;
}

}  // namespace

std::vector<ValueTick> ValueTicks(const PlotFrame& f, AxisKind kind, std::int64_t min,
                                  std::int64_t max) {
    std::vector<ValueTick> ticks;
    if (max <= min)
        return ticks;
    const std::int64_t step = StepOf(kind, min, max);
    const std::int64_t first = FirstMultiple(min, step);
    if (first >= max)
        return ticks;
    const std::int64_t count = (max - 1 - first) / step + 1;
    if (count > kMaxValueTicks)
        return ticks;
    ticks.reserve(static_cast<std::size_t>(count));
    for (std::int64_t v = first; v < max; v += step)
        ticks.push_back({TickRow(f, v, min, max), v});
    return ticks;
}

std::string ValueLabel(AxisKind kind, std::int64_t value) {
    char buf[32];
    if (kind == AxisKind::Counts)
        std::snprintf(buf, sizeof buf, "%4lld", static_cast<long long>(value));
    else
        std::snprintf(buf, sizeof buf, "%3.0f", static_cast<double>(value));
    return buf;
}

std::vector<LabelBox> PlaceLabels(std::span<const LabelBox> wanted, const PlotFrame& f, int step) {
    std::vector<LabelBox> placed;
    placed.reserve(wanted.size());
    // Inside the frame's lines.
    const int minLeft = f.left + 1;
    const int minTop = f.top + 1;
    step = std::max(step, 1);
    for (LabelBox b : wanted) {
        b.left = std::max(std::min(b.left, f.right - 1 - b.width), minLeft);
        b.top = std::max(std::min(b.top, f.bottom - 1 - b.height), minTop);
        const int maxTop = std::max(f.bottom - 1 - b.height, minTop);
        auto clear = [&placed](const LabelBox& c) {
            return std::none_of(placed.begin(), placed.end(),
                                [&c](const LabelBox& p) { return p.Overlaps(c); });
        };
        LabelBox chosen = b;
        for (int k = 0;; ++k) {
            const int up = b.top - k * step;
            const int down = b.top + k * step;
            if (up < minTop && down > maxTop)
                break;  // no clear place: the wanted one
            LabelBox c = b;
            if (down <= maxTop) {
                c.top = down;
                if (clear(c)) {
                    chosen = c;
                    break;
                }
            }
            if (up >= minTop && k > 0) {
                c.top = up;
                if (clear(c)) {
                    chosen = c;
                    break;
                }
            }
        }
        placed.push_back(chosen);
    }
    return placed;
}

float ClampHeight(float c, int hp) {
    if (!(c > 0.0f))
        return 0.0f;  // also NaN
    const float top = static_cast<float>(hp);
    return c > top ? top : c;
}

int CountsRow(const CurveScale& s, float value) {
    if (std::isnan(value))
        return kNoRow;
    const float c = (value - static_cast<float>(s.min)) * static_cast<float>(s.hp) /
                    static_cast<float>(s.max - s.min);
    return static_cast<int>(static_cast<float>(s.bottom) - ClampHeight(c, s.hp));
}

int DoubleRow(const CurveScale& s, double value) {
    if (std::isnan(value))
        return kNoRow;
    const float c = static_cast<float>((value - s.min) * s.hp / (s.max - s.min));
    return static_cast<int>(static_cast<float>(s.bottom) - ClampHeight(c, s.hp));
}

namespace {

template <typename... Args>
LabelText Format(const char* format, Args... args) {
    LabelText label;
    const int n = std::snprintf(label.chars.data(), label.chars.size(), format, args...);
    label.size = std::clamp(n, 0, static_cast<int>(label.chars.size()) - 1);
    return label;
}

}  // namespace

LabelText PeakLabel(float value, std::int32_t wavelength) {
    return Format("peak %5.0f ( %dnm)", static_cast<double>(value), static_cast<int>(wavelength));
}
LabelText TemperatureLabel(float t) {
    return Format("%4.1f", static_cast<double>(t));
}
LabelText LedTemperatureLabel(float t) {
    return Format("%4.1f(LED)", static_cast<double>(t));
}
LabelText WavelengthLabel(int nm) {
    return Format("%d", nm);
}
