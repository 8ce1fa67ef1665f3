#pragma once

#include <string>

#include "display/GraphInput.h"

// The status-bar text for the mouse at (x, y) of a graph panel of width x height pixels,
// read from the same input the graph is drawn from: the values are those of the display mode's
// painter (display/ModePainters.h).
//
// Spectrum modes (inside the plot frame, at the wavelength of column x on the graph's axis,
// GraphAxis; with one grid point i = x - left, 0 <= i < pointCount):
//   line, colour   "450 nm  #1 25931.2  #2 25880.4"   each device's sample spectrum
//   comparison     "450 nm  #1 98.7 %  #2 101.2 %"    RatioPercent against the reference record
//   absorptance    "450 nm  #1 0.012  #2 -0.005"      Absorptance against the reference record
// The sample is the live spectrum while monitoring, else the selected record. Comparison and
// absorptance show no values without a valid reference record (as the graph draws no curves).
// A value that is not finite (a zero reference) shows as "-". A device whose grid (or whose
// reference's grid) has no point at the wavelength shows nothing, not even its number.
// Chromaticity diagram: the diagram coordinates under the cursor with their CIE 1976 u', v',
// "x 0.3127  y 0.3290  u′ 0.1978  v′ 0.4683" (UTF-8),
// within the diagram's axes (columns 88..485, rows 54..508).
// Outside the plot frame, beyond the grid, or with no devices' values to show: the wavelength
// alone or, off the frame, an empty text.
std::string CursorReadoutText(const GraphInput& in, int width, int height, int x, int y);
