#include "display/LoggedRecordGraph.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include <QPainter>

#include "data/RatioAndPeak.h"
#include "display/GraphGeometry.h"
#include "display/GraphPalette.h"
#include "display/PanelPainter.h"

void DrawLoggedRecord(QPainter& p, QSize panel, const LoggedRecordInput& in,
                      const GraphPalette& palette) {
    BeginPanel(p);
    PanelRectangle(p, 0, 0, panel.width(), panel.height());
    const PlotFrame f = PlotFrameFor(panel.width(), panel.height());
    PanelRectangle(p, f.left, f.top, f.right, f.bottom);

    p.setPen(palette.gridPen());
    DrawWavelengthGrid(p, f, in.pointCount, in.firstWavelength, in.nirSensor);
    for (const ValueTick& t : ValueTicks(f, AxisKind::Counts, in.graphMin, in.graphMax)) {
        PanelLine(p, f.left, t.y, f.right, t.y);
        PanelText(p, f.left - 50, t.y - 10, ValueLabel(AxisKind::Counts, t.value));
    }
    p.setPen(palette.framePen());
    if (in.deviceCount <= 0)
        return;

    const int points =
        std::clamp(std::min<int>(in.pointCount, static_cast<int>(in.spectrum.size())), 0, 511);
    const std::span<const float> s = in.spectrum.first(static_cast<std::size_t>(points));
    const CurveScale scale{static_cast<double>(in.graphMin), static_cast<double>(in.graphMax),
                           f.bottom, f.height()};
    if (scale.valid() && points > 1) {
        std::array<QPoint, 511> pts;
        for (int i = 0; i < points; ++i)
            pts[i] = QPoint(f.left + i, CountsRow(scale, s[i]));
        p.setPen(palette.devicePen(0, false));
        DrawCurve(p, pts.data(), points);
        p.setPen(palette.framePen());
    }
    const Peak peak = FindPeak(s, points, in.firstWavelength);
    PanelText(p, f.right - 200, f.top + 42 + 20 * in.currentDevice,
              PeakLabel(peak.value, peak.wavelength).view());
}
