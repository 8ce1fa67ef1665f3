// The chromaticity mode: the current device's sample on the chromaticity diagram, which takes
// the whole panel.
#include <QPainter>

#include "data/ColourMetrics.h"
#include "display/ChromaticityBackground.h"
#include "display/ChromaticityDiagram.h"
#include "display/LiveGraph.h"
#include "display/ModePainters.h"

void PaintChromaticityPanel(ModeCanvas& c) {
    const GraphInput& in = c.in;
    std::span<const float> sample;
    WavelengthGrid grid;
    if (in.deviceCount > 0 && DrawableDevice(in.currentDevice)) {
        grid = SampleGrid(in, in.currentDevice);
        if (in.monitoring)
            sample = in.liveSpectra[in.currentDevice];
        else if (const float* s = RecordSpectrum(in, in.currentDevice, in.selectedRecord))
            sample = std::span<const float>(s, MAX_POINTS);
    }
    const double scale = DiagramScale(c.panel.width(), c.panel.height());
    c.p.save();
    c.p.scale(scale, scale);
    c.p.setRenderHint(QPainter::SmoothPixmapTransform, scale != 1.0);
    c.diagram.Draw(c.p, sample, grid);
    c.p.restore();
}

// The diagram's coordinates with their CIE 1976 u', v', within its axes.
std::string ChromaticityReadout(int px, int py, int width, int height) {
    // Back to the diagram's own pixels.
    const double scale = DiagramScale(width, height);
    const int x = static_cast<int>(px / scale);
    const int y = static_cast<int>(py / scale);
    if (x < kDiagramLeft || x > kDiagramRight || y < kDiagramTop || y > kDiagramBottom)
        return {};
    std::string out;
    const double cx = DiagramXAtColumn(x);
    const double cy = DiagramYAtRow(y);
    AppendFormatted(out, "x %.4f", cx);
    AppendFormatted(out, "  y %.4f", cy);
    const auto [u, v] = UvPrimeOf(cx, cy);
    AppendFormatted(out, "  u\u2032 %.4f", u);
    AppendFormatted(out, "  v\u2032 %.4f", v);
    return out;
}
