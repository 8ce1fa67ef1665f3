#pragma once

#include <span>
#include <string>

#include <QPoint>

#include "display/GraphGeometry.h"
#include "display/GraphInput.h"
#include "viewlogic/DisplayModes.h"

class ChromaticityDiagram;
class GraphPalette;
class QPainter;

// What a mode's painter draws with in one drawing of the graph panel. The frame, axis and
// scale are those of the spectrum frame; a painter of the whole panel has the diagram.
struct ModeCanvas {
    QPainter& p;
    const GraphInput& in;
    const DisplayMode& mode;
    const GraphPalette& palette;
    ChromaticityDiagram& diagram;
    std::span<QPoint, MAX_POINTS> points;  // one curve's points, kept by the graph
    PlotFrame frame;
    WavelengthAxis axis;
    CurveScale scale;  // of the mode's value axis
};

// How one ModePainter paints and what the cursor readout shows for it. A null entry is
// not drawn or shows nothing.
struct ModePainting {
    // The whole panel in place of the spectrum frame, and its readout at (x, y).
    void (*panel)(ModeCanvas& c) = nullptr;
    std::string (*panelReadout)(int x, int y) = nullptr;
    // The curves on the spectrum frame, and after the readout's wavelength each device's value
    // there.
    void (*curves)(ModeCanvas& c) = nullptr;
    void (*values)(std::string& out, const GraphInput& in, const DisplayMode& mode,
                   long long nm) = nullptr;
};
const ModePainting& PaintingOf(ModePainter painter);

// The painters, one file each.
void PaintLineCurves(ModeCanvas& c);
void AppendSampleValues(std::string& out, const GraphInput& in, const DisplayMode& mode,
                        long long nm);
void PaintColourCurves(ModeCanvas& c);
void PaintRelativeCurves(ModeCanvas& c);
void AppendRelativeValues(std::string& out, const GraphInput& in, const DisplayMode& mode,
                          long long nm);
void PaintChromaticityPanel(ModeCanvas& c);
std::string ChromaticityReadout(int x, int y);

// What the painters share.
bool DrawableDevice(int d);
int PointsOf(SpectrumGrid g);  // at most MAX_POINTS
// A curve through the canvas's first count points, in the painter's current pen.
void Polyline(ModeCanvas& c, int count);
// The peak label of device's spectrum s on its grid in the given row of labels; a device that
// does not answer has none.
void DrawPeakLabel(ModeCanvas& c, int row, int device, const float* s, SpectrumGrid g);
// A value printed with format (at most 47 characters), and "  #<d+1> <value>" of device d in the
// readout, "-" for a value that is not finite.
void AppendFormatted(std::string& out, const char* format, double value);
void AppendDeviceValue(std::string& out, int d, const char* format, double value);
