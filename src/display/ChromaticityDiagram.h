#pragma once

#include <span>

#include <QImage>
#include <QString>

#include "data/CmfTable.h"
#include "device/DeviceSlot.h"

class QPainter;

// Chromaticity of a spectrum whose point i lies at firstWavelength + i nm (the visible grid:
// 340): tristimulus sums over 380..824 nm (i = 40..484 on the visible grid) in single precision,
// ascending. valid is false when X + Y + Z is 0 (or not finite): such a spectrum has no
// chromaticity.
struct Chromaticity {
    bool valid = false;
    float x = 0.0f;
    float y = 0.0f;
};
Chromaticity ChromaticityOf(const CmfTable& table, std::span<const float> spectrum,
                            int firstWavelength = CmfTable::kFirstWavelength);

// The marker box around x, y on the background picture: x 0..0.7 over columns 88..485,
// y 0..0.8 over rows 508..54; the box is the truncated centre +/- 5 pixels.
struct MarkerBox {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};
MarkerBox MarkerBoxFor(float x, float y);

// "X,Y = %5.3f,%5.3f", or "X,Y = -,-" for a spectrum without chromaticity.
QString ChromaticityText(const Chromaticity& c);
// In place of that text for a device whose grid does not span 380..780 nm: "色度: 範囲外"
// ("chromaticity: out of range").
QString OutOfRangeText();

// The colour metrics of the spectrum (data/ColourMetrics.h), one short line each, in a
// column right of the diagram's plot (x = 0.7 lies at column 485) and below the "X,Y" text.
inline constexpr int kMetricsLeft = 496;
inline constexpr int kMetricsTop = 22;
inline constexpr int kMetricsPitch = 15;
void DrawColourMetrics(QPainter& p, std::span<const float> spectrum, WavelengthGrid grid = {});

// The diagram is laid out for the 620-pixel panel; a larger panel shows it enlarged by this
// factor (1 up to 620 x 560, never below), the same in both directions.
double DiagramScale(int width, int height);

// The chromaticity diagram of the graph panel. The background picture is read once from the
// given path and kept; when reading fails, the next drawing tries again.
class ChromaticityDiagram {
  public:
    explicit ChromaticityDiagram(QString backgroundPath);

    // Draws onto a panel already cleared to white with its frame, the colour metrics beside the
    // "X,Y" text. An empty spectrum (no spectrometer) draws the background only; a spectrum on
    // a grid that does not span 380..780 nm no marker, and OutOfRangeText() in place of the
    // "X,Y" text. Without a background nothing is drawn.
    void Draw(QPainter& p, std::span<const float> spectrum, WavelengthGrid grid = {});

    bool backgroundLoaded() const { return !background_.isNull(); }
    const QString& backgroundPath() const { return path_; }

  private:
    bool EnsureBackground();

    const CmfTable& table_;
    QString path_;
    QImage background_;
};
