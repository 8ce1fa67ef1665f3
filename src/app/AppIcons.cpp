#include "app/AppIcons.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {
QPixmap PaintAppIcon(int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x1c, 0x24, 0x30));
    p.drawRoundedRect(QRectF(2, 2, 60, 60), 8, 8);
    QLinearGradient g(8, 0, 56, 0);
    const QColor stops[] = {QColor(0x7a, 0x00, 0xc8), QColor(0x20, 0x40, 0xff),
                            QColor(0x00, 0xc0, 0xc0), QColor(0x30, 0xd0, 0x30),
                            QColor(0xf0, 0xe0, 0x00), QColor(0xff, 0x80, 0x00),
                            QColor(0xe0, 0x00, 0x00)};
    for (int i = 0; i < 7; ++i)
        g.setColorAt(i / 6.0, stops[i]);
    QPainterPath curve;
    curve.moveTo(8, 52);
    curve.cubicTo(18, 52, 20, 20, 28, 20);
    curve.cubicTo(36, 20, 36, 40, 42, 40);
    curve.cubicTo(48, 40, 50, 28, 56, 28);
    QPainterPath fill = curve;
    fill.lineTo(56, 52);
    fill.closeSubpath();
    p.setBrush(g);
    p.drawPath(fill);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::white, 2));
    p.drawPath(curve);
    p.setPen(QPen(QColor(0x9a, 0xa6, 0xb4), 2));
    p.drawPolyline(QPolygonF({QPointF(8, 10), QPointF(8, 54), QPointF(58, 54)}));
    return pm;
}

void Page(QPainter& p, const QRectF& r) {
    p.setBrush(Qt::white);
    p.drawRect(r);
}
}  // namespace

QIcon AppIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64})
        icon.addPixmap(PaintAppIcon(size));
    return icon;
}

QIcon ToolIcon(ToolGlyph glyph) {
    QPixmap pm(16, 15);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setPen(QPen(Qt::black, 1));
    switch (glyph) {
        case ToolGlyph::New:
            Page(p, QRectF(3.5, 1.5, 9, 12));
            break;
        case ToolGlyph::Open:
            p.setBrush(QColor(0xe8, 0xc0, 0x40));
            p.drawPolygon(QPolygonF({QPointF(1.5, 3.5), QPointF(6.5, 3.5), QPointF(7.5, 5.5),
                                     QPointF(14.5, 5.5), QPointF(14.5, 12.5), QPointF(1.5, 12.5)}));
            break;
        case ToolGlyph::Save:
            p.setBrush(QColor(0x40, 0x60, 0xa0));
            p.drawRect(QRectF(1.5, 1.5, 13, 12));
            p.setBrush(Qt::white);
            p.drawRect(QRectF(4.5, 1.5, 7, 5));
            break;
        case ToolGlyph::Cut:
            p.setRenderHint(QPainter::Antialiasing);
            p.drawLine(QPointF(4, 1), QPointF(10, 10));
            p.drawLine(QPointF(12, 1), QPointF(6, 10));
            p.drawEllipse(QPointF(4.5, 11.5), 2.5, 2.5);
            p.drawEllipse(QPointF(11.5, 11.5), 2.5, 2.5);
            break;
        case ToolGlyph::Copy:
            Page(p, QRectF(1.5, 1.5, 8, 9));
            Page(p, QRectF(6.5, 4.5, 8, 9));
            break;
        case ToolGlyph::Paste:
            p.setBrush(QColor(0xb0, 0x80, 0x40));
            p.drawRect(QRectF(1.5, 2.5, 10, 11));
            Page(p, QRectF(6.5, 5.5, 8, 8));
            break;
        case ToolGlyph::Print:
            Page(p, QRectF(4.5, 1.5, 7, 6));
            p.setBrush(QColor(0xa0, 0xa0, 0xa0));
            p.drawRect(QRectF(1.5, 6.5, 13, 6));
            break;
        case ToolGlyph::About: {
            p.setRenderHint(QPainter::Antialiasing);
            p.setBrush(QColor(0xff, 0xff, 0xc0));
            p.drawEllipse(QRectF(1.5, 0.5, 13, 13));
            QFont f = p.font();
            f.setPixelSize(11);
            f.setBold(true);
            p.setFont(f);
            p.drawText(QRectF(1.5, 0.5, 13, 13), Qt::AlignCenter, QStringLiteral("?"));
            break;
        }
    }
    return QIcon(pm);
}
