#include "dialogs/ImagePanel.h"

#include <QPainter>

ImagePanel::ImagePanel(QWidget* parent) : QWidget(parent) {}

QImage& ImagePanel::canvas() {
    if (image_.size() != size())
        image_ = QImage(size(), QImage::Format_RGB32);
    image_.fill(Qt::white);
    return image_;
}

void ImagePanel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (!image_.isNull()) {
        p.drawImage(0, 0, image_);
        return;
    }
    p.fillRect(rect(), Qt::white);
    p.setPen(Qt::black);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}
