#include "display/ChromaticityDiagram.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include <QCoreApplication>
#include <QPainter>

#include "data/ColourMetrics.h"
#include "display/PanelPainter.h"

Chromaticity ChromaticityOf(const CmfTable& table, std::span<const float> spectrum,
                            int firstWavelength) {
    float X = 0.0f;
    float Y = 0.0f;
    float Z = 0.0f;
    // Table rows k (at 340 + k nm) that the spectrum has a point at, within the rows used.
    const long long shift = static_cast<long long>(firstWavelength) - CmfTable::kFirstWavelength;
    const long long first = std::max<long long>(CmfTable::kFirstUsed, shift);
    const long long last = std::min<long long>(CmfTable::kLastUsed,
                                               shift + static_cast<long long>(spectrum.size()) - 1);
    for (long long k = first; k <= last; ++k) {
        const float s = spectrum[static_cast<std::size_t>(k - shift)];
        const auto& cmf = table[static_cast<int>(k)];
        X += s * cmf[0];
        Y += s * cmf[1];
        Z += s * cmf[2];
    }
    const float sum = Y + X + Z;
    Chromaticity c;
    if (sum == 0.0f || !std::isfinite(sum))
        return c;
    c.x = X / sum;
    c.y = Y / sum;
    c.valid = std::isfinite(c.x) && std::isfinite(c.y);
    return c;
}

MarkerBox MarkerBoxFor(float x, float y) {
    const double px = 88.0 + static_cast<double>(x * 397.0f) / 0.7;
    const double py = 508.0 - static_cast<double>(y * 454.0f) / 0.8;
    return MarkerBox{static_cast<int>(px - 5), static_cast<int>(py - 5), static_cast<int>(px + 5),
                     static_cast<int>(py + 5)};
}

QString ChromaticityText(const Chromaticity& c) {
    if (!c.valid)
        return QStringLiteral("X,Y = -,-");
    char buf[64];
    std::snprintf(buf, sizeof buf, "X,Y = %5.3f,%5.3f", static_cast<double>(c.x),
                  static_cast<double>(c.y));
    return QString::fromLatin1(buf);
}

QString OutOfRangeText() {
    return QCoreApplication::translate("ChromaticityDiagram", "色度: 範囲外");
}

double DiagramScale(int width, int height) {
    return std::max(1.0, std::min(width / 620.0, height / 560.0));
}

ChromaticityDiagram::ChromaticityDiagram(QString backgroundPath)
    : table_(SharedCmfTable()), path_(std::move(backgroundPath)) {}

bool ChromaticityDiagram::EnsureBackground() {
    if (!background_.isNull())
        return true;
    if (path_.isEmpty())
        return false;
    QImage loaded(path_);
    if (loaded.isNull())
        return false;  // tried again at the next drawing
    background_ = loaded.convertToFormat(QImage::Format_RGB32);
    return true;
}

void ChromaticityDiagram::Draw(QPainter& p, std::span<const float> spectrum, WavelengthGrid grid) {
    if (!EnsureBackground())
        return;
    p.drawImage(1, 1, background_);
    if (spectrum.empty())
        return;
    spectrum = spectrum.first(std::min<std::size_t>(
        spectrum.size(), static_cast<std::size_t>(std::max(grid.pointCount, 0))));
    if (!GridSpansColour(grid.pointCount, grid.firstWavelength)) {
        PanelUnicodeText(p, 400, 3, OutOfRangeText());
        DrawColourMetrics(p, spectrum, grid);
        return;
    }

    const Chromaticity c = ChromaticityOf(table_, spectrum, grid.firstWavelength);
    if (c.valid) {
        const MarkerBox box = MarkerBoxFor(c.x, c.y);
        const QPen saved = p.pen();
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(Qt::white);
        // A rounded rectangle whose corner ellipse is the box itself: the ellipse in the box,
        // outlining columns left..right-1 and rows top..bottom-1.
        p.drawEllipse(QRect(box.left, box.top, box.right - box.left - 1, box.bottom - box.top - 1));
        p.setPen(saved);
    }
    PanelText(p, 400, 3, ChromaticityText(c).toLatin1().toStdString());
    DrawColourMetrics(p, spectrum, grid);
}

void DrawColourMetrics(QPainter& p, std::span<const float> spectrum, WavelengthGrid grid) {
    const std::size_t points = std::min<std::size_t>(spectrum.size(), CmfTable::kEntries);
    const ColourMetrics m =
        DeviceColourMetrics(spectrum.first(points), grid.pointCount, grid.firstWavelength);
    int y = kMetricsTop;
    for (const QString& line : ColourMetricsLabels(m)) {
        PanelUnicodeText(p, kMetricsLeft, y, line);
        y += kMetricsPitch;
    }
}
