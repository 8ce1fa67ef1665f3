#include "display/ChromaticityBackground.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPainterPath>

#include "data/CmfTable.h"
#include "display/PanelPainter.h"

namespace {

// Picture pixel of a chromaticity: one less than the panel pixel, the picture sits at (1, 1).
QPointF PicturePoint(double x, double y) {
    return QPointF(DiagramPanelColumn(x) - 1.0, DiagramPanelRow(y) - 1.0);
}

// The same, rounded to the nearest whole pixel: axes and ticks sit exactly on the mapping.
QPoint PicturePixel(double x, double y) {
    const QPointF f = PicturePoint(x, y);
    return QPoint(static_cast<int>(std::lround(f.x())), static_cast<int>(std::lround(f.y())));
}

double Encode(double c) {
    return c <= 0.0031308 ? 12.92 * c : 1.055 * std::pow(c, 1.0 / 2.4) - 0.055;
}

struct LocusPoint {
    int nm;
    double x;
    double y;
};

std::vector<LocusPoint> Locus() {
    std::vector<LocusPoint> pts;
    for (const CmfRow& r : JuddVosTable()) {
        const double sum = r.xbar + r.ybar + r.zbar;
        if (r.nm > 780 || sum <= 0)
            continue;
        pts.push_back({r.nm, r.xbar / sum, r.ybar / sum});
    }
    return pts;
}

void DrawMarks(QPainter& p, const std::vector<LocusPoint>& locus) {
    constexpr int kMarks[] = {460, 470, 480, 490, 500, 510, 520, 540, 560, 580, 600, 620, 700};
    const QPointF white = PicturePoint(1.0 / 3, 1.0 / 3);
    for (int nm : kMarks) {
        const auto it = std::find_if(locus.begin(), locus.end(),
                                     [nm](const LocusPoint& l) { return l.nm == nm; });
        if (it == locus.end())
            continue;
        const QPointF at = PicturePoint(it->x, it->y);
        QPointF dir = at - white;
        dir /= std::hypot(dir.x(), dir.y());
        p.drawLine(at, at + dir * 6.0);
        const QString text = QString::number(nm);
        const QFontMetrics fm(p.font());
        QPointF centre = at + dir * 18.0;
        // Labels that would run into the y axis and its numbers go on the inner side.
        if (centre.x() - fm.horizontalAdvance(text) / 2.0 < PicturePoint(0, 0).x() + 4)
            centre = at - dir * 16.0;
        p.drawText(QPointF(centre.x() - fm.horizontalAdvance(text) / 2.0,
                           centre.y() + fm.ascent() / 2.0 - 1),
                   text);
    }
}

void DrawAxes(QPainter& p) {
    const QFontMetrics fm(p.font());
    const QPoint origin = PicturePixel(0, 0);
    const QPoint xEnd = PicturePixel(0.7, 0);
    const QPoint yEnd = PicturePixel(0, 0.8);
    p.setPen(QPen(QColor(0, 0, 0), 1));
    p.drawLine(origin, xEnd);
    p.drawLine(origin, yEnd);
    char text[8];
    for (int k = 0; k <= 7; ++k) {
        const QPoint t = PicturePixel(k / 10.0, 0);
        p.drawLine(t, t + QPoint(0, 5));
        std::snprintf(text, sizeof text, "%.1f", k / 10.0);
        p.drawText(QPointF(t.x() - fm.horizontalAdvance(text) / 2.0, t.y() + 6 + fm.ascent()),
                   text);
    }
    for (int k = 0; k <= 8; ++k) {
        const QPoint t = PicturePixel(0, k / 10.0);
        p.drawLine(t, t - QPoint(5, 0));
        std::snprintf(text, sizeof text, "%.1f", k / 10.0);
        p.drawText(QPointF(t.x() - 8 - fm.horizontalAdvance(text), t.y() + fm.ascent() / 2.0 - 1),
                   text);
    }
    p.drawText(QPointF(xEnd.x() + 12, origin.y() + 4), QStringLiteral("x"));
    p.drawText(QPointF(origin.x() - 4, yEnd.y() - 10), QStringLiteral("y"));
}

}  // namespace

namespace {
constexpr double kDiagramWidth = kDiagramRight - kDiagramLeft;
constexpr double kDiagramHeight = kDiagramBottom - kDiagramTop;
}  // namespace

double DiagramPanelColumn(double x) {
    return kDiagramLeft + x * kDiagramWidth / 0.7;
}
double DiagramPanelRow(double y) {
    return kDiagramBottom - y * kDiagramHeight / 0.8;
}
double DiagramXAtColumn(double column) {
    return (column - kDiagramLeft) * 0.7 / kDiagramWidth;
}
double DiagramYAtRow(double row) {
    return (kDiagramBottom - row) * 0.8 / kDiagramHeight;
}

QRgb ApproximateSrgb(double x, double y) {
    if (y <= 0)
        return qRgb(0, 0, 0);
    const double X = x / y;
    const double Z = (1.0 - x - y) / y;
    double rgb[3] = {3.2406 * X - 1.5372 - 0.4986 * Z, -0.9689 * X + 1.8758 + 0.0415 * Z,
                     0.0557 * X - 0.2040 + 1.0570 * Z};
    double top = 0;
    for (double& c : rgb) {
        c = std::max(0.0, c);
        top = std::max(top, c);
    }
    if (top <= 0)
        return qRgb(0, 0, 0);
    int out[3];
    for (int k = 0; k < 3; ++k)
        out[k] = static_cast<int>(std::lround(255.0 * Encode(rgb[k] / top)));
    return qRgb(out[0], out[1], out[2]);
}

QImage RenderChromaticityBackground() {
    QImage image(kBackgroundWidth, kBackgroundHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    const std::vector<LocusPoint> locus = Locus();

    QPainterPath outline;
    outline.moveTo(PicturePoint(locus.front().x, locus.front().y));
    for (const LocusPoint& l : locus)
        outline.lineTo(PicturePoint(l.x, l.y));
    outline.closeSubpath();  // the purple line

    {
        // Light grid first: the coloured inside covers it.
        QPainter g(&image);
        g.setPen(QPen(QColor(225, 225, 225), 1));
        for (int k = 1; k <= 7; ++k)
            g.drawLine(PicturePixel(k / 10.0, 0), PicturePixel(k / 10.0, 0.8));
        for (int k = 1; k <= 8; ++k)
            g.drawLine(PicturePixel(0, k / 10.0), PicturePixel(0.7, k / 10.0));
    }
    // Inside: every pixel whose centre lies in the locus gets the colour of its chromaticity.
    for (int r = 0; r < image.height(); ++r) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(r));
        for (int c = 0; c < image.width(); ++c) {
            if (!outline.contains(QPointF(c + 0.5, r + 0.5)))
                continue;
            const double x = DiagramXAtColumn(c + 1.0);
            const double y = DiagramYAtRow(r + 1.0);
            line[c] = ApproximateSrgb(x, y);
        }
    }

    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    QFont font = PanelFont();
    font.setStyleStrategy(QFont::PreferDefault);
    font.setPixelSize(11);
    p.setFont(font);

    p.setPen(QPen(QColor(40, 40, 40), 1.2));
    p.setBrush(Qt::NoBrush);
    p.drawPath(outline);
    DrawMarks(p, locus);

    p.setRenderHint(QPainter::Antialiasing, false);
    DrawAxes(p);
    p.end();
    return image.convertToFormat(QImage::Format_RGB888);
}

QString ChromaticityBackgroundPath(const QString& programFolder) {
    const QString beside = programFolder + QStringLiteral("xyz.bmp");
    if (QFileInfo::exists(beside))
        return beside;
    const QString installed =
        QDir::cleanPath(programFolder + QStringLiteral("../share/vl-tool/xyz.bmp"));
    if (QFileInfo::exists(installed))
        return QDir::toNativeSeparators(installed);
    return beside;
}
