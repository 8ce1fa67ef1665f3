#pragma once

#include <array>
#include <cstdint>

#include <QPoint>
#include <QSize>
#include <QString>

#include "display/ChromaticityDiagram.h"
#include "display/GraphGeometry.h"
#include "display/GraphInput.h"
#include "display/GraphPalette.h"

class QImage;
class QPainter;

// The graph panel of the main view: the spectrum frame with its axes, and in it what the
// display mode's painter draws (viewlogic/DisplayModes.h, display/ModePainters.h), or the whole
// panel from a painter that takes it (the chromaticity diagram). Pens, colour tables and the
// diagram's background are made once and kept; drawing allocates nothing per point.
class LiveGraph {
  public:
    // backgroundPath: the chromaticity diagram's picture, normally
    // ChromaticityBackgroundPath() of the program's folder.
    explicit LiveGraph(QString backgroundPath = {});

    // Repaints the whole panel of the given size. Returns ratioMin as derived from the counts
    // axis (the caller stores it); in the chromaticity diagram, the limits' ratioMin unchanged.
    std::int32_t DrawGraph(QPainter& p, QSize panel, const GraphInput& in);
    // The same onto an image (the panel's size is the image's size).
    std::int32_t DrawGraph(QImage& image, const GraphInput& in);

    const GraphPalette& palette() const { return palette_; }
    ChromaticityDiagram& chromaticity() { return chroma_; }

  private:
    void DrawAxes(QPainter& p, const PlotFrame& f, const WavelengthAxis& axis, bool nirSensor,
                  AxisKind kind, std::int64_t min, std::int64_t max);

    GraphPalette palette_;
    ChromaticityDiagram chroma_;
    std::array<QPoint, MAX_POINTS> points_{};  // one curve's points
};

// The value axis's caption in the plot's top-left corner, on a light backing.
void DrawAxisCaption(QPainter& p, const PlotFrame& f, const QString& text);

// The sample spectrum of device d as the display shows it: the slot's latest spectrum while
// monitoring, else device d's spectrum in the selected record. nullptr when there is none.
const float* SampleSpectrum(const GraphInput& in, int d);
// Device d's spectrum in record r, or nullptr when r is outside 0..recordCount-1.
const float* RecordSpectrum(const GraphInput& in, int d, int r);
// The grid of device d's sample spectrum: its live grid while monitoring, else the data set's.
WavelengthGrid SampleGrid(const GraphInput& in, int d);
// The grid of device d's records (reference, comparison): the data set's.
WavelengthGrid RecordGrid(const GraphInput& in, int d);
// The wavelength axis of a spectrum graph: over the sample grids of the devices shown.
WavelengthAxis GraphAxis(const GraphInput& in, const PlotFrame& f);
