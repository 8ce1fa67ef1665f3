#include "display/CursorReadout.h"

#include <algorithm>
#include <cstdio>

#include "display/GraphGeometry.h"
#include "display/LiveGraph.h"
#include "display/ModePainters.h"

std::string CursorReadoutText(const GraphInput& in, int width, int height, int x, int y) {
    const DisplayMode& mode = DisplayModeOf(in.mode);
    const ModePainting& shown = PaintingOf(ShownPainter(mode, in.nirSensor, in.uvSensor));
    if (shown.panelReadout != nullptr)
        return shown.panelReadout(x, y, width, height);

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
    // The mode's values even where its painter leaves the frame empty for the sensors; a mode
    // without values (the diagram's, in the frame) shows the wavelength alone.
    if (const auto values = PaintingOf(mode.painter).values)
        values(out, in, mode, nm);
    return out;
}
