#include "dialogs/TrendPlotView.h"

#include <QMouseEvent>
#include <QPainter>

TrendPlotView::TrendPlotView(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setMinimumSize(400, 260);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TrendPlotView::Show(const TrendTable& table, std::vector<int> shown, TrendAxis axis) {
    table_ = &table;
    shown_ = std::move(shown);
    axis_ = axis;
    Relayout();
    update();
}

void TrendPlotView::Relayout() {
    if (table_)
        plot_.Layout(*table_, shown_, axis_, size());
}

void TrendPlotView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (!table_) {
        p.fillRect(rect(), Qt::white);
        return;
    }
    plot_.Draw(p);
}

void TrendPlotView::resizeEvent(QResizeEvent*) {
    Relayout();
}

void TrendPlotView::mouseMoveEvent(QMouseEvent* event) {
    const int record = plot_.RecordAt(event->position().toPoint());
    if (record != plot_.cursorRecord()) {
        plot_.setCursorRecord(record);
        update();
    }
    emit readoutChanged(plot_.ReadoutOf(record));
}

void TrendPlotView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    const int record = plot_.RecordAt(event->position().toPoint());
    if (record >= 0)
        emit recordClicked(record);
}

void TrendPlotView::leaveEvent(QEvent*) {
    plot_.setCursorRecord(-1);
    update();
    emit readoutChanged(QString());
}
