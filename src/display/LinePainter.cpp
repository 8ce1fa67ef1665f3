// The line mode: every device's spectrum as a curve with its peak label.
#include <algorithm>

#include <QPainter>

#include "display/GraphPalette.h"
#include "display/LiveGraph.h"
#include "display/ModePainters.h"

void PaintLineCurves(ModeCanvas& c) {
    const GraphInput& in = c.in;
    const int devices = std::min(in.deviceCount, MAX_DEVICES);
    for (int d = 0; d < devices; ++d) {
        const float* s = SampleSpectrum(in, d);
        if (s == nullptr)
            continue;
        const SpectrumGrid g = SampleGrid(in, d);
        if (c.scale.valid()) {
            const int n = PointsOf(g);
            for (int i = 0; i < n; ++i)
                c.points[i] =
                    QPoint(c.axis.Column(g.firstWavelength + i), CountsRow(c.scale, s[i]));
            if (in.monitoring && in.liveStale[d])
                c.p.setPen(QPen(Qt::gray, 1, Qt::DashLine));  // the last curve, visibly stale
            else
                c.p.setPen(c.palette.devicePen(d, d == in.currentDevice));
            Polyline(c, n);
        }
        DrawPeakLabel(c, d, d, s, g);
    }
}

// A device whose grid has no point at nm shows nothing there.
void AppendSampleValues(std::string& out, const GraphInput& in, const DisplayMode& mode,
                        long long nm) {
    const int devices = std::clamp(in.deviceCount, 0, MAX_DEVICES);
    for (int d = 0; d < devices; ++d) {
        const int i = SampleGrid(in, d).indexOf(nm);
        if (const float* s = SampleSpectrum(in, d); s != nullptr && i >= 0)
            AppendDeviceValue(out, d, mode.valueFormat, static_cast<double>(s[i]));
    }
}
