#include "app/GraphPanel.h"

#include <QPainter>

GraphPanel::GraphPanel(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void GraphPanel::setImage(QImage image) {
    image_ = std::move(image);
    update();
}

void GraphPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // Before the first drawing, and beyond the image after a resize, the panel
    // shows the form's background inside a sunken frame.
    painter.fillRect(rect(), palette().window());
    if (!image_.isNull())
        painter.drawImage(0, 0, image_);
    if (image_.isNull()) {
        painter.setPen(palette().dark().color());
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}
