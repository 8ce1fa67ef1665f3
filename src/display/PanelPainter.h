#pragma once

#include <string_view>

#include <QColor>
#include <QFont>
#include <QString>

class QPainter;
class QPoint;
struct PlotFrame;
struct WavelengthAxis;

// Drawing operations with the pixel rules of the graph panels:
// - a rectangle (l, t, r, b) outlines columns l..r-1 and rows t..b-1 with the black pen and
//   fills the inside white;
// - a line from a point to another paints the start point but not the end point when it is
//   horizontal or vertical (other lines paint both ends, one pixel more than a "line to");
// - text is placed with its top-left corner at the point, black on opaque white, in PanelFont().

// The one font of the panels: DejaVu Sans (or the closest match) at 12 pixels, so that drawings
// are the same on every machine that has the font.
const QFont& PanelFont();

// Prepares a painter for panel drawing: no antialiasing, PanelFont, black pen, white brush.
void BeginPanel(QPainter& p);

void PanelRectangle(QPainter& p, int left, int top, int right, int bottom);
void PanelLine(QPainter& p, int x0, int y0, int x1, int y1);
void PanelText(QPainter& p, int x, int y, std::string_view latin1);
// Any text, not only Latin-1 (the diagram's names in Japanese).
void PanelUnicodeText(QPainter& p, int x, int y, const QString& text);

// A label of the graph: text in the given colour on a light, semi-opaque backing of the box
// (left, top, width, height), so that it stays readable over curves and grid lines.
void PanelLabel(QPainter& p, int left, int top, int width, int height, const QString& text,
                const QColor& colour);

// A curve through count points in the painter's current pen. A point whose row is kNoRow
// (GraphGeometry.h) is left out and breaks the curve: each run of points between such gaps
// is one polyline, a run of a single point one pixel.
void DrawCurve(QPainter& p, const QPoint* points, int count);

// The wavelength grid of a plot frame: a vertical line and its label under the frame at each
// tick, in the painter's current pen.
void DrawWavelengthGrid(QPainter& p, const PlotFrame& f, int pointCount, int firstWavelength,
                        bool nirSensor);
// The same over a wavelength axis (several grids: GraphGeometry.h).
void DrawWavelengthGrid(QPainter& p, const PlotFrame& f, const WavelengthAxis& axis,
                        bool nirSensor);
