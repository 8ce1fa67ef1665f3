#pragma once

#include <cstdint>
#include <span>

#include <QSize>

class QPainter;
class GraphPalette;

// What the upload dialog's graph shows: one logged spectrum on the counts axis.
struct LoggedRecordInput {
    std::span<const float> spectrum;  // at least pointCount values
    int pointCount = 511;
    int firstWavelength = 340;
    bool nirSensor = false;
    std::int32_t graphMax = 65535;
    std::int32_t graphMin = 0;
    int deviceCount = 0;
    int currentDevice = 0;  // places the peak label
};

// Repaints the upload dialog's graph panel: frame, wavelength and counts grid, and (with a
// device) the curve in device colour 0 with its peak label. With graphMax <= graphMin the grid
// has no counts ticks and no curve is drawn.
void DrawLoggedRecord(QPainter& p, QSize panel, const LoggedRecordInput& in,
                      const GraphPalette& palette);
