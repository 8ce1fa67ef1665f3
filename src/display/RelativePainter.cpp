// The comparison and absorptance modes: each device's sample, and the comparison record, as the
// mode's relative value against the device's reference record.
#include <algorithm>
#include <cmath>

#include <QPainter>

#include "display/GraphPalette.h"
#include "display/LiveGraph.h"
#include "display/ModePainters.h"

void PaintRelativeCurves(ModeCanvas& c) {
    if (!c.scale.valid())
        return;
    const GraphInput& in = c.in;
    const WavelengthAxis& axis = c.axis;
    const auto relative = c.mode.relative;
    const int devices = std::min(in.deviceCount, MAX_DEVICES);
    // A curve on the grid of s against the reference on its own grid: a wavelength the
    // reference has no point at leaves a gap, one beyond the axis is left out.
    auto plot = [&](const float* s, WavelengthGrid gs, const float* ref, WavelengthGrid gr) {
        int count = 0;
        for (int i = 0; i < PointsOf(gs); ++i) {
            const long long nm = gs.firstWavelength + i;
            if (nm < axis.firstWavelength || nm > axis.lastWavelength())
                continue;
            const int j = gr.indexOf(nm);
            // A value missing on either side leaves a gap (Absorptance alone would hide it).
            const bool missing = j < 0 || std::isnan(s[i]) || std::isnan(ref[j]);
            const double v = missing ? std::nan("") : relative(s[i], ref[j]);
            c.points[count++] = QPoint(axis.Column(nm), DoubleRow(c.scale, v));
        }
        Polyline(c, count);
    };
    for (int d = 0; d < devices; ++d) {
        const float* ref = RecordSpectrum(in, d, in.referenceIndex);
        if (ref == nullptr)
            return;  // no valid reference record: no curves
        const WavelengthGrid gr = RecordGrid(in, d);
        if (const float* s = SampleSpectrum(in, d)) {
            c.p.setPen(c.palette.devicePen(d, d == in.currentDevice));
            plot(s, SampleGrid(in, d), ref, gr);
        }
        if (const float* cmp = RecordSpectrum(in, d, in.comparisonIndex)) {
            c.p.setPen(c.palette.devicePen(d, false));
            plot(cmp, gr, ref, gr);
        }
    }
}

// Without a valid reference record no values, as there are no curves. A device whose grid, or
// whose reference's grid, has no point at nm shows nothing there.
void AppendRelativeValues(std::string& out, const GraphInput& in, const DisplayMode& mode,
                          long long nm) {
    const int devices = std::clamp(in.deviceCount, 0, MAX_DEVICES);
    for (int d = 0; d < devices; ++d) {
        const float* ref = RecordSpectrum(in, d, in.referenceIndex);
        if (ref == nullptr)
            break;
        const int i = SampleGrid(in, d).indexOf(nm);
        const int j = RecordGrid(in, d).indexOf(nm);
        const float* s = SampleSpectrum(in, d);
        if (s == nullptr || i < 0 || j < 0)
            continue;
        AppendDeviceValue(out, d, mode.valueFormat, mode.relative(s[i], ref[j]));
    }
}
