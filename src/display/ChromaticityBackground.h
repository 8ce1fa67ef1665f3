#pragma once

#include <QImage>

// The background picture of the chromaticity diagram ("xyz.bmp"): the CIE 1931 xy diagram
// drawn from the same Judd-Vos table as the chromaticities, with the spectral locus and its
// wavelength marks, the purple line, the inside filled with approximate sRGB colours, white
// outside, and axes with ticks and labels every 0.1.
//
// The panel shows the picture with its top-left corner at (1, 1), so the picture's pixel
// (c, r) lands on panel pixel (c + 1, r + 1). The axes are placed so that in the panel x = 0
// lies at column 88 and x = 0.7 at column 485, y = 0 at row 508 and y = 0.8 at row 54.
inline constexpr int kBackgroundWidth = 560;
inline constexpr int kBackgroundHeight = 540;

// The diagram's axes in panel pixels: x 0 .. 0.7 over these columns, y 0 .. 0.8 over these rows.
inline constexpr int kDiagramLeft = 88;
inline constexpr int kDiagramRight = 485;
inline constexpr int kDiagramTop = 54;
inline constexpr int kDiagramBottom = 508;

// Panel pixel of a chromaticity coordinate (exact mapping, before rounding).
double DiagramPanelColumn(double x);  // 88 + x * 397 / 0.7
double DiagramPanelRow(double y);     // 508 - y * 454 / 0.8
// The chromaticity coordinate at a panel pixel (the inverse mapping).
double DiagramXAtColumn(double column);
double DiagramYAtRow(double row);

// Approximate display colour of a chromaticity (xyY with Y = 1 to linear sRGB, negative
// components cut, scaled so the largest is 1, then the sRGB transfer curve).
QRgb ApproximateSrgb(double x, double y);

// Renders the picture (RGB888, kBackgroundWidth x kBackgroundHeight).
QImage RenderChromaticityBackground();

// Where the window finds the picture: beside the program first (the build tree, a copied
// folder), then in the data folder of the installed package (../share/vl-tool/ from the
// program, /usr/share/vl-tool/ for /usr/bin). When neither holds it, the path beside the
// program (the diagram is then drawn without its background). programFolder ends with a
// separator.
QString ChromaticityBackgroundPath(const QString& programFolder);
