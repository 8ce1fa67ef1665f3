#pragma once

#include <array>
#include <string>
#include <vector>

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>

#include "data/TrendSeries.h"
#include "data/TrendTimeAxis.h"

class QPainter;

enum class TrendAxis { Time, Record };

// The trend picture: one panel per unit among the shown columns (counts, nm,
// x/y, K, degC) stacked over a shared x axis of time stamps or record numbers,
// each panel's axis labelled with its unit. Devices keep the graph's colours;
// within a panel the kinds differ by line style. NaN values are gaps. Curves
// are reduced to at most four points per pixel column, so ten thousand
// records draw as fast as a thousand.
class TrendPlot {
  public:
    // Lays the picture out for the table's columns listed in shown (indices).
    void Layout(const TrendTable& table, std::vector<int> shown, TrendAxis axis, QSize size);
    void Draw(QPainter& p) const;
    QImage Render() const;  // the whole picture, white background

    // The record under a point of the picture (nearest by x, within a few
    // pixels of its place), -1 off the plot.
    int RecordAt(QPoint point) const;
    // "record 3  2024/03/02 00:01:03  nm450 S1 100.0  ..." for a record (the
    // one RecordAt finds under a point); empty for -1, off the plot.
    QString ReadoutOf(int record) const;

    // A dashed line at record r across the panels (-1: none), where the cursor rests.
    void setCursorRecord(int r) { cursor_ = r; }
    int cursorRecord() const { return cursor_; }

    QSize size() const { return size_; }
    int panelCount() const { return static_cast<int>(panels_.size()); }
    QRect panelRect(int i) const { return panels_[static_cast<std::size_t>(i)].rect; }
    TrendUnit panelUnit(int i) const { return panels_[static_cast<std::size_t>(i)].unit; }
    // One entry of the legend: a kind with its line style or a device in its colour, and
    // where it goes. The legend wraps onto further rows when the picture is too narrow.
    struct LegendEntry {
        bool device = false;
        int index = 0;  // the column (a kind) or the device
        QString text;
        int x = 0;
        int row = 0;
    };
    const std::vector<LegendEntry>& legend() const { return legend_; }
    int legendRows() const { return legendRows_; }
    // The x axis's tick labels as drawn (for tests).
    std::vector<std::string> xLabels() const;
    // Place of record r along x in the picture.
    double XOf(int record) const;

  private:
    struct Panel {
        TrendUnit unit;
        QRect rect;
        double low = 0.0;
        double high = 1.0;
        std::vector<int> columns;
    };
    double XValue(int record) const;
    double YOf(const Panel& panel, double v) const;
    void DrawPanel(QPainter& p, const Panel& panel, bool last) const;
    void DrawCurve(QPainter& p, const Panel& panel, const TrendColumn& column) const;
    void DrawLegend(QPainter& p) const;
    void LayOutLegend();
    std::vector<TimeTick> TimeAxisTicks() const;

    const TrendTable* table_ = nullptr;
    std::vector<int> shown_;
    TrendAxis axis_ = TrendAxis::Time;
    QSize size_;
    std::vector<Panel> panels_;
    int plotLeft_ = 0;
    int plotRight_ = 0;
    double xLow_ = 0.0;
    double xHigh_ = 1.0;
    bool withDate_ = false;
    int cursor_ = -1;
    std::vector<double> xs_;  // per record
    std::vector<LegendEntry> legend_;
    int legendRows_ = 1;
};

// The unit's axis title: "counts", "nm", "x, y", "K", "°C".
QString TrendUnitTitle(TrendUnit unit);
// "nm450 S1": a column's name in the readout and legend.
QString TrendColumnLabel(const TrendTable& table, const TrendColumn& column);
