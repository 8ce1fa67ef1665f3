#include "display/CursorReadout.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "data/RatioAndPeak.h"
#include "display/ChromaticityBackground.h"
#include "display/GraphGeometry.h"
#include "display/LiveGraph.h"

namespace {

void Append(std::string& out, const char* format, double value) {
    char buf[48];
    const int n = std::snprintf(buf, sizeof buf, format, value);
    if (n > 0)
        out.append(buf, static_cast<std::size_t>(std::min<int>(n, sizeof buf - 1)));
}

void AppendValue(std::string& out, int d, const char* format, double value) {
    char head[16];
    const int n = std::snprintf(head, sizeof head, "  #%d ", d + 1);
    out.append(head, static_cast<std::size_t>(n));
    if (std::isfinite(value))
        Append(out, format, value);
    else
        out += '-';
}

std::string ChromaticityText(int x, int y) {
    if (x < kDiagramLeft || x > kDiagramRight || y < kDiagramTop || y > kDiagramBottom)
        return {};
    std::string out;
    Append(out, "x %.4f", DiagramXAtColumn(x));
    Append(out, "  y %.4f", DiagramYAtRow(y));
    return out;
}

}  // namespace

std::string CursorReadoutText(const GraphInput& in, int width, int height, int x, int y) {
    if (in.mode == DISPLAY_CHROMATICITY && !in.nirSensor && !in.uvSensor)
        return ChromaticityText(x, y);

    const PlotFrame f = PlotFrameFor(width, height);
    if (x < f.left || x > f.right || y < f.top || y > f.bottom)
        return {};
    const int points = std::clamp(in.pointCount, 0, int{MAX_POINTS});
    const int i = x - f.left;
    if (i >= points)
        return {};

    char head[24];
    const int n = std::snprintf(head, sizeof head, "%d nm", in.firstWavelength + i);
    std::string out(head, static_cast<std::size_t>(std::clamp<int>(n, 0, sizeof head - 1)));
    const int devices = std::clamp(in.deviceCount, 0, MAX_DEVICES);
    switch (in.mode) {
        case DISPLAY_LINE:
        case DISPLAY_COLOUR:
            for (int d = 0; d < devices; ++d) {
                if (const float* s = SampleSpectrum(in, d))
                    AppendValue(out, d, "%.1f", static_cast<double>(s[i]));
            }
            break;
        case DISPLAY_COMPARISON:
        case DISPLAY_ABSORPTANCE: {
            const bool ratio = in.mode == DISPLAY_COMPARISON;
            for (int d = 0; d < devices; ++d) {
                const float* ref = RecordSpectrum(in, d, in.referenceIndex);
                if (ref == nullptr)
                    break;  // no valid reference record: the graph draws no curves
                if (const float* s = SampleSpectrum(in, d)) {
                    if (ratio)
                        AppendValue(out, d, "%.1f %%", RatioPercent(s[i], ref[i]));
                    else
                        AppendValue(out, d, "%.3f", Absorptance(s[i], ref[i]));
                }
            }
            break;
        }
        default:
            break;  // no curves in this mode: the wavelength alone
    }
    return out;
}
