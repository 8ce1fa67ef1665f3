#pragma once

#include <vector>

#include <QWidget>

#include "display/TrendPlot.h"

// The trend picture on screen: lays the plot out for its size, tells where
// the cursor is and which record was clicked.
class TrendPlotView : public QWidget {
    Q_OBJECT
  public:
    explicit TrendPlotView(QWidget* parent = nullptr);

    // Shows the columns `shown` of table (which must outlive the next Show).
    void Show(const TrendTable& table, std::vector<int> shown, TrendAxis axis);
    const TrendPlot& plot() const { return plot_; }

  signals:
    void readoutChanged(const QString& text);
    void recordClicked(int record);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    void Relayout();

    TrendPlot plot_;
    const TrendTable* table_ = nullptr;
    std::vector<int> shown_;
    TrendAxis axis_ = TrendAxis::Time;
};
