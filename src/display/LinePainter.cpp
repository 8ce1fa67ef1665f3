// The line mode: every device's spectrum as a curve with its peak label.
#include <algorithm>
#include <array>

#include <QPainter>

#include "display/GraphPalette.h"
#include "display/LiveGraph.h"
#include "display/ModePainters.h"

void PaintLineCurves(ModeCanvas& c) {
    const GraphInput& in = c.in;
    const int devices = std::min(in.deviceCount, MAX_DEVICES);
    std::array<PeakMark, MAX_DEVICES> marks{};
    int labelled = 0;
    for (int d = 0; d < devices; ++d) {
        const float* s = SampleSpectrum(in, d);
        if (s == nullptr)
            continue;
        const WavelengthGrid g = SampleGrid(in, d);
        if (c.scale.valid()) {
            const int n = PointsOf(g);
            for (int i = 0; i < n; ++i)
                c.points[i] =
                    QPoint(c.axis.Column(g.firstWavelength + i), CountsRow(c.scale, s[i]));
            if (in.monitoring && in.liveStale[d])
                c.p.setPen(QPen(QColor(0x70, 0x70, 0x70), 1, Qt::DashLine));  // visibly stale
            else
                c.p.setPen(c.palette.devicePen(d, d == in.currentDevice));
            Polyline(c, n);
        }
        // A label stands at its peak: without a scale there is no place for it.
        if (c.scale.valid())
            marks[labelled++] = PeakMarkOf(c, d, s, g);
    }
    DrawPeakMarks(c, std::span<const PeakMark>(marks.data(), labelled));
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
