#pragma once

#include <QImage>
#include <QWidget>

// The graph panel (control 1000): shows the image of the last drawing. The
// panel itself never draws a graph; an uncovered panel repaints that image.
// Mouse clicks and moves fall through to the form, which edits the axis limits
// and tracks the cursor over the panel for the status-bar readout.
class GraphPanel : public QWidget {
    Q_OBJECT
  public:
    explicit GraphPanel(QWidget* parent = nullptr);

    const QImage& image() const { return image_; }
    void setImage(QImage image);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QImage image_;
};
