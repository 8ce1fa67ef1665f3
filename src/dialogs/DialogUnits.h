#pragma once

#include <cmath>

#include <QRect>
#include <QWidget>

// Dialog templates are laid out in dialog units; on screen one horizontal unit
// is about 1.75 pixels and one vertical unit about 1.75 pixels with the usual
// 9-point dialog font.
struct DialogUnits {
    double x = 1.75;
    double y = 1.75;

    QRect rect(int dx, int dy, int dw, int dh) const {
        return {int(std::lround(dx * x)), int(std::lround(dy * y)), int(std::lround(dw * x)),
                int(std::lround(dh * y))};
    }
    QSize size(int dw, int dh) const {
        return {int(std::lround(dw * x)), int(std::lround(dh * y))};
    }
    // Places a control made with `parent` and names it after its id.
    template <typename W>
    W* place(W* widget, int id, int dx, int dy, int dw, int dh) const {
        if (id != 0)
            widget->setObjectName(QString::number(id));
        widget->setGeometry(rect(dx, dy, dw, dh));
        return widget;
    }
};
