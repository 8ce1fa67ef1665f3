#pragma once

#include <span>
#include <string>

#include <QPoint>
#include <QSize>
#include <QString>

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
    QSize panel;       // the whole panel's size
};

// How one ModePainter paints and what the cursor readout shows for it. A null entry is
// not drawn or shows nothing.
struct ModePainting {
    // The whole panel in place of the spectrum frame, and its readout at (x, y) of a panel of
    // width x height.
    void (*panel)(ModeCanvas& c) = nullptr;
    std::string (*panelReadout)(int x, int y, int width, int height) = nullptr;
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
std::string ChromaticityReadout(int x, int y, int width, int height);

// What the painters share.
bool DrawableDevice(int d);
int PointsOf(WavelengthGrid g);  // at most MAX_POINTS
// A curve through the canvas's first count points, in the painter's current pen.
void Polyline(ModeCanvas& c, int count);
// One device's peak label before it is placed: its text (the device's serial first) and the
// peak's point on the panel. A device that does not answer says so instead of a value.
struct PeakMark {
    int device = -1;
    QString text;
    int x = 0;
    int y = 0;
};
PeakMark PeakMarkOf(const ModeCanvas& c, int device, const float* s, WavelengthGrid g);
// The labels above and right of their peaks, moved apart where they would overlap
// (PlaceLabels), each in its device's colour on a light backing; drawn after the curves.
void DrawPeakMarks(ModeCanvas& c, std::span<const PeakMark> marks);
// A value printed with format (at most 47 characters), and "  #<d+1> <value>" of device d in the
// readout, "-" for a value that is not finite.
void AppendFormatted(std::string& out, const char* format, double value);
void AppendDeviceValue(std::string& out, int d, const char* format, double value);
