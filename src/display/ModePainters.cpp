#include "display/ModePainters.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <iterator>

#include <QCoreApplication>
#include <QFontMetrics>
#include <QPainter>

#include "data/RatioAndPeak.h"
#include "display/GraphPalette.h"
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

int PointsOf(WavelengthGrid g) {
    return std::clamp<int>(g.pointCount, 0, MAX_POINTS);
}

void Polyline(ModeCanvas& c, int count) {
    if (count > 1)
        DrawCurve(c.p, c.points.data(), count);
}

PeakMark PeakMarkOf(const ModeCanvas& c, int device, const float* s, WavelengthGrid g) {
    const int n = PointsOf(g);
    const Peak peak = FindPeak(std::span<const float>(s, n), n, g.firstWavelength);
    PeakMark mark;
    mark.device = device;
    if (DrawableDevice(device) && !c.in.serials[device].isEmpty())
        mark.text = QString::fromLatin1(c.in.serials[device]) + u' ';
    if (c.in.monitoring && DrawableDevice(device) && c.in.liveStale[device]) {
        mark.text += QStringLiteral("peak ----- (") +
                     QCoreApplication::translate("LiveGraph", "応答なし") + ")";
    } else {
        const LabelText label = PeakLabel(peak.value, peak.wavelength);
        mark.text += QString::fromLatin1(label.chars.data(), label.size);
    }
    mark.x = c.axis.Column(peak.wavelength);
    const int row = c.scale.valid() ? CountsRow(c.scale, peak.value) : kNoRow;
    mark.y = row == kNoRow ? c.frame.top : row;
    return mark;
}

void DrawPeakMarks(ModeCanvas& c, std::span<const PeakMark> marks) {
    static const QFontMetrics metrics(PanelFont());
    std::array<LabelBox, MAX_DEVICES> wanted{};
    const std::size_t count = std::min<std::size_t>(marks.size(), wanted.size());
    for (std::size_t i = 0; i < count; ++i) {
        const PeakMark& m = marks[i];
        const int width = metrics.horizontalAdvance(m.text) + 4;
        const int height = metrics.height();
        // Right of the peak and clear above the selected curve's three pixels.
        wanted[i] = LabelBox{m.x + 4, m.y - height - 3, width, height};
    }
    const std::vector<LabelBox> placed =
        PlaceLabels(std::span<const LabelBox>(wanted.data(), count), c.frame);
    for (std::size_t i = 0; i < count; ++i) {
        const PeakMark& m = marks[i];
        const bool stale = c.in.monitoring && DrawableDevice(m.device) && c.in.liveStale[m.device];
        const QColor colour = stale || !DrawableDevice(m.device)
                                  ? QColor(0x59, 0x59, 0x59)
                                  : GraphPalette::DeviceColour(m.device);
        const LabelBox& b = placed[i];
        PanelLabel(c.p, b.left, b.top, b.width, b.height, m.text, colour);
    }
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
