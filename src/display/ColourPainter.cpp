// The colour mode: the current device's spectrum filled down to the bottom line, each column in
// the colour of its wavelength.
#include <algorithm>

#include <QPainter>

#include "display/GraphPalette.h"
#include "display/LiveGraph.h"
#include "display/ModePainters.h"

namespace {

// The palette's 340..850 nm, black beyond.
QColor ColourOfWavelength(const GraphPalette& palette, long long nm) {
    const long long i = nm - 340;
    return i >= 0 && i < kWavelengthPens ? palette.wavelengthColour(static_cast<int>(i))
                                         : QColor(Qt::black);
}

}  // namespace

void PaintColourCurves(ModeCanvas& c) {
    const GraphInput& in = c.in;
    const float* s = SampleSpectrum(in, in.currentDevice);
    if (s == nullptr)
        return;
    const WavelengthGrid g = SampleGrid(in, in.currentDevice);
    const PlotFrame& f = c.frame;
    if (c.scale.valid()) {
        const int n = PointsOf(g);
        for (int i = 0; i < n; ++i) {
            // The line from (x, bottom) up to (x, y) without its end point.
            const int y = CountsRow(c.scale, s[i]);
            const long long nm = g.firstWavelength + i;
            // A stretched axis gives a point the columns up to the next one.
            const int x = c.axis.Column(nm);
            const int w = std::max(c.axis.Column(nm + 1) - x, 1);
            if (y != kNoRow && y < f.bottom)
                c.p.fillRect(x, y + 1, w, f.bottom - y, ColourOfWavelength(c.palette, nm));
        }
    }
    if (!c.scale.valid())
        return;  // no place for the peak label
    const PeakMark mark = PeakMarkOf(c, in.currentDevice, s, g);
    DrawPeakMarks(c, std::span<const PeakMark>(&mark, 1));
}
