#include "display/CursorReadout.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "data/ColourMetrics.h"
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
    const double cx = DiagramXAtColumn(x);
    const double cy = DiagramYAtRow(y);
    Append(out, "x %.4f", cx);
    Append(out, "  y %.4f", cy);
    const auto [u, v] = UvPrimeOf(cx, cy);
    Append(out, "  u\u2032 %.4f", u);
    Append(out, "  v\u2032 %.4f", v);
    return out;
}

}  // namespace

std::string CursorReadoutText(const GraphInput& in, int width, int height, int x, int y) {
    if (in.mode == DISPLAY_CHROMATICITY && !in.nirSensor && !in.uvSensor)
        return ChromaticityText(x, y);

    const PlotFrame f = PlotFrameFor(width, height);
    if (x < f.left || x > f.right || y < f.top || y > f.bottom)
        return {};
    const WavelengthAxis axis = GraphAxis(in, f);
    const long long nm = axis.WavelengthAt(x);
    if (nm == kNoWavelength || nm > axis.lastWavelength())
        return {};

    char head[32];
    const int n = std::snprintf(head, sizeof head, "%lld nm", nm);
    std::string out(head, static_cast<std::size_t>(std::clamp<int>(n, 0, sizeof head - 1)));
    const int devices = std::clamp(in.deviceCount, 0, MAX_DEVICES);
    // A device whose grid has no point at nm shows nothing there.
    switch (in.mode) {
        case DISPLAY_LINE:
        case DISPLAY_COLOUR:
            for (int d = 0; d < devices; ++d) {
                const int i = SampleGrid(in, d).indexOf(nm);
                if (const float* s = SampleSpectrum(in, d); s != nullptr && i >= 0)
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
                const int i = SampleGrid(in, d).indexOf(nm);
                const int j = RecordGrid(in, d).indexOf(nm);
                const float* s = SampleSpectrum(in, d);
                if (s == nullptr || i < 0 || j < 0)
                    continue;
                if (ratio)
                    AppendValue(out, d, "%.1f %%", RatioPercent(s[i], ref[j]));
                else
                    AppendValue(out, d, "%.3f", Absorptance(s[i], ref[j]));
            }
            break;
        }
        default:
            break;  // no curves in this mode: the wavelength alone
    }
    return out;
}
