#include "display/ModePainters.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>

#include <QCoreApplication>
#include <QPainter>

#include "data/RatioAndPeak.h"
#include "display/PanelPainter.h"

namespace {

// In the order of ModePainter.
constexpr ModePainting PAINTINGS[] = {
    {},                                                                      // None
    {.curves = PaintLineCurves, .values = AppendSampleValues},               // Line
    {.curves = PaintColourCurves, .values = AppendSampleValues},             // Colour
    {.curves = PaintRelativeCurves, .values = AppendRelativeValues},         // Relative
    {.panel = PaintChromaticityPanel, .panelReadout = ChromaticityReadout},  // Chromaticity
};
// The painters with a .panel are those PaintsWholePanel names (the view logic
// knows which leave the frame out). Not checked at compile time: with the
// sanitizers a function's address is no constant.
static_assert(std::size(PAINTINGS) == static_cast<std::size_t>(ModePainter::Chromaticity) + 1);

}  // namespace

const ModePainting& PaintingOf(ModePainter painter) {
    return PAINTINGS[static_cast<std::size_t>(painter)];
}

bool DrawableDevice(int d) {
    return d >= 0 && d < MAX_DEVICES;
}

int PointsOf(SpectrumGrid g) {
    return std::clamp<int>(g.pointCount, 0, MAX_POINTS);
}

void Polyline(ModeCanvas& c, int count) {
    if (count > 1)
        DrawCurve(c.p, c.points.data(), count);
}

void DrawPeakLabel(ModeCanvas& c, int row, int device, const float* s, SpectrumGrid g) {
    const PlotFrame& f = c.frame;
    if (c.in.monitoring && DrawableDevice(device) && c.in.liveStale[device]) {
        PanelUnicodeText(c.p, f.right - 200, f.top + 42 + 20 * row,
                         QStringLiteral("peak ----- (") +
                             QCoreApplication::translate("LiveGraph", "応答なし") + ")");
        return;
    }
    const int n = PointsOf(g);
    const Peak peak = FindPeak(std::span<const float>(s, n), n, g.firstWavelength);
    PanelText(c.p, f.right - 200, f.top + 42 + 20 * row,
              PeakLabel(peak.value, peak.wavelength).view());
}

void AppendFormatted(std::string& out, const char* format, double value) {
    char buf[48];
    const int n = std::snprintf(buf, sizeof buf, format, value);
    if (n > 0)
        out.append(buf, static_cast<std::size_t>(std::min<int>(n, sizeof buf - 1)));
}

void AppendDeviceValue(std::string& out, int d, const char* format, double value) {
    char head[16];
    const int n = std::snprintf(head, sizeof head, "  #%d ", d + 1);
    out.append(head, static_cast<std::size_t>(n));
    if (std::isfinite(value))
        AppendFormatted(out, format, value);
    else
        out += '-';
}
