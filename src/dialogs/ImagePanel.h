#pragma once

#include <QImage>
#include <QWidget>

// A panel that shows the last picture drawn for it; an uncovered panel
// repaints from the picture. A panel never drawn shows white in a frame.
class ImagePanel : public QWidget {
    Q_OBJECT
  public:
    explicit ImagePanel(QWidget* parent = nullptr);

    // A white picture of the panel's current size to draw into; show it with update().
    QImage& canvas();
    const QImage& image() const { return image_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QImage image_;
};
