#include "display/PanelPainter.h"

#include <array>
#include <span>

#include <QFontMetrics>
#include <QPainter>
#include <QString>

#include "display/GraphGeometry.h"

const QFont& PanelFont() {
    static const QFont font = [] {
        QFont f(QStringLiteral("DejaVu Sans"));
        f.setPixelSize(12);
        f.setStyleStrategy(QFont::NoAntialias);
        f.setHintingPreference(QFont::PreferFullHinting);
        return f;
    }();
    return font;
}

void BeginPanel(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, false);
    p.setFont(PanelFont());
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::white);
    p.setBackground(Qt::white);
    p.setBackgroundMode(Qt::TransparentMode);  // PanelText paints its own opaque background
}

void PanelRectangle(QPainter& p, int left, int top, int right, int bottom) {
    if (right <= left || bottom <= top)
        return;
    p.fillRect(left, top, right - left, bottom - top, Qt::white);
    const QPen saved = p.pen();
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRect(left, top, right - left - 1, bottom - top - 1));
    p.setBrush(Qt::white);
    p.setPen(saved);
}

void PanelLine(QPainter& p, int x0, int y0, int x1, int y1) {
    if (y0 == y1) {
        if (x0 == x1)
            return;
        p.drawLine(x0, y0, x1 > x0 ? x1 - 1 : x1 + 1, y1);
    } else if (x0 == x1) {
        p.drawLine(x0, y0, x1, y1 > y0 ? y1 - 1 : y1 + 1);
    } else {
        p.drawLine(x0, y0, x1, y1);
    }
}

void PanelText(QPainter& p, int x, int y, std::string_view latin1) {
    PanelUnicodeText(p, x, y,
                     QString::fromLatin1(latin1.data(), static_cast<qsizetype>(latin1.size())));
}

void PanelUnicodeText(QPainter& p, int x, int y, const QString& text) {
    static const QFontMetrics metrics(PanelFont());
    p.fillRect(x, y, metrics.horizontalAdvance(text), metrics.height(), Qt::white);
    const QPen saved = p.pen();
    p.setPen(Qt::black);
    p.drawText(x, y + metrics.ascent(), text);
    p.setPen(saved);
}

void PanelLabel(QPainter& p, int left, int top, int width, int height, const QString& text,
                const QColor& colour) {
    static const QFontMetrics metrics(PanelFont());
    p.fillRect(left, top, width, height, QColor(255, 255, 255, 215));
    const QPen saved = p.pen();
    p.setPen(colour);
    p.drawText(left + 2, top + metrics.ascent(), text);
    p.setPen(saved);
}

namespace {

void DrawTicks(QPainter& p, const PlotFrame& f, std::span<const WavelengthTick> wl) {
    for (const WavelengthTick& t : wl) {
        PanelLine(p, t.x, f.top, t.x, f.bottom);
        PanelText(p, t.x - 10, f.bottom + 2, WavelengthLabel(t.wavelength).view());
    }
}

}  // namespace

void DrawWavelengthGrid(QPainter& p, const PlotFrame& f, int pointCount, int firstWavelength,
                        bool nirSensor) {
    std::array<WavelengthTick, kMaxWavelengthTicks> wl{};
    const int n = WavelengthTicks(f, pointCount, firstWavelength, nirSensor, wl);
    DrawTicks(p, f, std::span<const WavelengthTick>(wl.data(), n));
}

void DrawWavelengthGrid(QPainter& p, const PlotFrame& f, const WavelengthAxis& axis,
                        bool nirSensor) {
    std::array<WavelengthTick, kMaxWavelengthTicks> wl{};
    const int n = WavelengthTicks(f, axis, nirSensor, wl);
    DrawTicks(p, f, std::span<const WavelengthTick>(wl.data(), n));
}

void DrawCurve(QPainter& p, const QPoint* points, int count) {
    int begin = 0;
    while (begin < count) {
        if (points[begin].y() == kNoRow) {
            ++begin;
            continue;
        }
        int end = begin;
        while (end < count && points[end].y() != kNoRow)
            ++end;
        if (end - begin > 1)
            p.drawPolyline(points + begin, end - begin);
        else
            p.drawPoint(points[begin]);
        begin = end;
    }
}
