#include "display/LedMonitorPlot.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

#include <QPainter>

#include "display/GraphGeometry.h"
#include "display/GraphPalette.h"
#include "display/PanelPainter.h"

namespace {

constexpr int kMaxSamples = 1000;

int ClampedRow(const LedPlotFrame& f, float y) {
    if (!(y < static_cast<float>(f.bottom)))
        return f.bottom;  // also NaN
    if (y < static_cast<float>(f.top))
        return f.top;
    return static_cast<int>(y);
}

}  // namespace

LedPlotFrame LedPlotFrameFor(int width, int height) {
    return LedPlotFrame{55, 45, width - 60, height - 25};
}

int LedPlotCapacity(int width) {
    const LedPlotFrame f = LedPlotFrameFor(width, 0);
    return std::max(0, (f.right - f.left) / 2);
}

float LedTemperatureRow(const LedPlotFrame& f, double t) {
    return static_cast<float>(f.bottom - (t - 20.0) * f.height() / 60.0);
}

int LedIntensityTickRow(const LedPlotFrame& f, int v) {
    return f.bottom - static_cast<int>(static_cast<std::int64_t>(v) * f.height() / 60000);
}

float LedIntensityRow(const LedPlotFrame& f, float a) {
    return static_cast<float>(f.bottom) - static_cast<float>(f.height()) * a / 60000.0f;
}

void DrawLedMonitor(QPainter& p, QSize panel, const LedPlotInput& in, const GraphPalette& palette) {
    BeginPanel(p);
    const int W = panel.width();
    PanelRectangle(p, 0, 0, W, panel.height());
    const LedPlotFrame f = LedPlotFrameFor(W, panel.height());
    PanelRectangle(p, f.left, f.top, f.right, f.bottom);
    const int capacity = LedPlotCapacity(W);

    PanelText(p, 60, 22, in.dateText);
    PanelText(p, W - 300, 2, in.label);

    char text[32];
    std::snprintf(text, sizeof text, "%4.1f", static_cast<double>(in.currentTemperature));
    PanelText(p, f.right - 50, f.top + 5, text);

    p.setPen(palette.gridPen());
    for (int m = 20; m <= 80; m += 5) {
        const float yf = LedTemperatureRow(f, m);
        std::snprintf(text, sizeof text, "%3d", m);
        PanelText(p, f.left - 30, static_cast<int>(yf - 10), text);
        if (m >= 25 && m <= 75)
            PanelLine(p, f.left, static_cast<int>(yf), f.right, static_cast<int>(yf));
    }
    for (int v = 0; v <= 60000; v += 5000) {
        std::snprintf(text, sizeof text, "%3d", v);
        PanelText(p, f.right + 5, LedIntensityTickRow(f, v) - 10, text);
    }
    for (int k = 0; k < capacity; k += 20) {
        const int x = f.left + 2 * k;
        if (k > 0)
            PanelLine(p, x, f.top, x, f.bottom);
        std::snprintf(text, sizeof text, "%d", k / 2);
        PanelText(p, x, f.bottom + 2, text);
    }

    const int count = std::clamp(
        std::min({in.count, static_cast<int>(in.temperature.size()),
                  static_cast<int>(in.intensity1.size()), static_cast<int>(in.intensity2.size())}),
        0, kMaxSamples);
    if (count > 1) {
        std::array<QPoint, kMaxSamples> pts;
        for (int i = 0; i < count; ++i)
            pts[i] = QPoint(f.left + 2 * i, ClampedRow(f, LedTemperatureRow(f, in.temperature[i])));
        p.setPen(palette.framePen());
        p.drawPolyline(pts.data(), count);
        // An intensity without a value (a wavelength off the device's grid) leaves a gap.
        const auto intensityRow = [&f](float a) {
            return std::isnan(a) ? kNoRow : ClampedRow(f, LedIntensityRow(f, a));
        };
        for (int i = 0; i < count; ++i)
            pts[i] = QPoint(f.left + 2 * i, intensityRow(in.intensity1[i]));
        p.setPen(palette.devicePen(0, false));
        DrawCurve(p, pts.data(), count);
        for (int i = 0; i < count; ++i)
            pts[i] = QPoint(f.left + 2 * i, intensityRow(in.intensity2[i]));
        p.setPen(palette.devicePen(1, false));
        DrawCurve(p, pts.data(), count);
    }
    p.setPen(palette.framePen());
}
