// Drawing the trend picture: legend, panels with their grids and unit titles, curves.
#include <algorithm>
#include <climits>
#include <cmath>

#include <QPainter>

#include "data/TrendTimeAxis.h"
#include "display/GraphPalette.h"
#include "display/TrendPlot.h"

namespace {

const QColor kGrid(220, 220, 220);

// A round step (1, 2 or 5 times a power of ten) giving about `count` steps over span.
double NiceStep(double span, int count) {
    const double raw = span / std::max(count, 1);
    if (!(raw > 0.0) || !std::isfinite(raw))
        return 1.0;
    const double p = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0}) {
        if (m * p >= raw)
            return m * p;
    }
    return 10.0 * p;
}

Qt::PenStyle StyleOf(TrendQuantity q) {
    switch (q) {
        case TrendQuantity::BandMean:
        case TrendQuantity::Y:
        case TrendQuantity::VPrime:
            return Qt::DashLine;
        case TrendQuantity::PeakHeight:
            return Qt::DotLine;
        default:
            return Qt::SolidLine;
    }
}

}  // namespace

std::vector<TimeTick> TrendPlot::TimeAxisTicks() const {
    if (!table_ || table_->recordCount() == 0 || axis_ != TrendAxis::Time)
        return {};
    const int count = std::max(2, (plotRight_ - plotLeft_) / (withDate_ ? 130 : 90));
    return TimeTicks(static_cast<std::int64_t>(std::ceil(xLow_)),
                     static_cast<std::int64_t>(std::floor(xHigh_)), count, withDate_);
}

std::vector<std::string> TrendPlot::xLabels() const {
    std::vector<std::string> labels;
    for (const TimeTick& t : TimeAxisTicks())
        labels.push_back(t.label);
    return labels;
}

void TrendPlot::DrawCurve(QPainter& p, const Panel& panel, const TrendColumn& column) const {
    // Width 0: a cosmetic one-pixel pen, which the raster engine draws on its fast line path.
    QPen pen(GraphPalette::DeviceColour(column.device), 0.0, StyleOf(column.quantity));
    p.setPen(pen);
    const int n = table_->recordCount();
    const bool markers = n <= (plotRight_ - plotLeft_) / 8;
    std::vector<QPointF> run;
    int bucket = INT_MIN, buckets = 0;
    double first = 0, last = 0, low = 0, high = 0;
    const auto closeBucket = [&] {
        if (bucket == INT_MIN)
            return;
        const double x = bucket + 0.5;
        run.emplace_back(x, YOf(panel, first));
        if (low != high) {
            run.emplace_back(x, YOf(panel, low));
            run.emplace_back(x, YOf(panel, high));
        }
        run.emplace_back(x, YOf(panel, last));
        ++buckets;
        bucket = INT_MIN;
    };
    const auto closeRun = [&] {
        closeBucket();
        if (buckets == 1 && !markers)  // a lone value between gaps: a dot
            p.fillRect(QRectF(run.front().x() - 1, run.front().y() - 1, 3, 3), pen.color());
        else if (buckets > 1)
            p.drawPolyline(run.data(), static_cast<int>(run.size()));
        run.clear();
        buckets = 0;
    };
    for (int r = 0; r < n; ++r) {
        const double v = column.values[static_cast<std::size_t>(r)];
        if (!std::isfinite(v)) {
            closeRun();
            continue;
        }
        if (markers)
            p.fillRect(QRectF(XOf(r) - 1.5, YOf(panel, v) - 1.5, 3, 3), pen.color());
        const int px = static_cast<int>(std::floor(XOf(r)));
        if (px != bucket) {
            closeBucket();
            bucket = px;
            first = low = high = v;
        }
        last = v;
        low = std::min(low, v);
        high = std::max(high, v);
    }
    closeRun();
}

void TrendPlot::DrawPanel(QPainter& p, const Panel& panel, bool last) const {
    const QRect& r = panel.rect;
    const double step = NiceStep(panel.high - panel.low, std::max(2, r.height() / 40));
    const int decimals = std::max(0, -static_cast<int>(std::floor(std::log10(step))));
    for (double v = std::ceil(panel.low / step) * step; v <= panel.high; v += step) {
        const int y = static_cast<int>(std::lround(YOf(panel, v)));
        p.setPen(kGrid);
        p.drawLine(r.left(), y, r.right(), y);
        p.setPen(Qt::black);
        const QString text = QString::number(std::abs(v) < step * 1e-6 ? 0.0 : v, 'f', decimals);
        p.drawText(QRect(0, y - 8, r.left() - 5, 16), Qt::AlignRight | Qt::AlignVCenter, text);
    }
    // Vertical grid and, under the last panel, the x labels.
    const auto tick = [&](double x, const QString& label) {
        const int xi = static_cast<int>(std::lround(x));
        p.setPen(kGrid);
        p.drawLine(xi, r.top(), xi, r.bottom());
        if (last) {
            p.setPen(Qt::black);
            // Kept inside the picture: the last label would run off its right edge.
            const int w = p.fontMetrics().horizontalAdvance(label) + 4;
            const int left = std::clamp(xi - w / 2, 0, std::max(0, size_.width() - w));
            p.drawText(QRect(left, r.bottom() + 4, w, 16), Qt::AlignHCenter | Qt::AlignTop, label);
        }
    };
    const double span = xHigh_ - xLow_;
    const double width = plotRight_ - plotLeft_ - 1;
    if (axis_ == TrendAxis::Time) {
        for (const TimeTick& t : TimeAxisTicks())
            tick(plotLeft_ + (t.stamp - xLow_) / span * width, QString::fromStdString(t.label));
    } else {
        const double xs = std::max(1.0, NiceStep(span, std::max(2, (plotRight_ - plotLeft_) / 80)));
        for (double x = std::ceil(xLow_ / xs) * xs; x <= xHigh_; x += xs)
            tick(plotLeft_ + (x - xLow_) / span * width, QString::number(x, 'f', 0));
    }
    p.setPen(Qt::black);
    p.drawRect(r.adjusted(0, 0, -1, -1));
    // The unit, turned along the axis.
    p.save();
    p.translate(12, r.center().y());
    p.rotate(-90);
    p.drawText(QRect(-r.height() / 2, -8, r.height(), 16), Qt::AlignCenter,
               TrendUnitTitle(panel.unit));
    p.restore();
    p.save();
    p.setClipRect(r.adjusted(1, 1, -1, -1));
    for (int c : panel.columns)
        DrawCurve(p, panel, table_->columns[static_cast<std::size_t>(c)]);
    if (cursor_ >= 0 && cursor_ < table_->recordCount()) {
        const int x = static_cast<int>(std::lround(XOf(cursor_)));
        p.setPen(QPen(Qt::darkGray, 1.0, Qt::DashLine));
        p.drawLine(x, r.top(), x, r.bottom());
    }
    p.restore();
    if (last) {
        p.setPen(Qt::black);
        const QString title =
            axis_ == TrendAxis::Time ? QStringLiteral("time") : QStringLiteral("record");
        p.drawText(QRect(r.left(), r.bottom() + 18, r.width(), 16), Qt::AlignRight, title);
    }
}

void TrendPlot::DrawLegend(QPainter& p) const {
    for (const LegendEntry& e : legend_) {
        const int base = 15 + e.row * 16;
        if (e.device) {
            p.fillRect(QRect(e.x, base - 9, 10, 10), GraphPalette::DeviceColour(e.index));
            p.setPen(Qt::black);
            p.drawText(QPoint(e.x + 13, base), e.text);
        } else {
            const TrendColumn& col = table_->columns[static_cast<std::size_t>(e.index)];
            p.setPen(QPen(Qt::black, 1.0, StyleOf(col.quantity)));
            p.drawLine(e.x, base - 4, e.x + 22, base - 4);
            p.setPen(Qt::black);
            p.drawText(QPoint(e.x + 26, base), e.text);
        }
    }
}

void TrendPlot::Draw(QPainter& p) const {
    p.fillRect(QRect(QPoint(0, 0), size_), Qt::white);
    if (!table_)
        return;
    QFont font = p.font();
    font.setPixelSize(11);
    p.setFont(font);
    DrawLegend(p);
    for (std::size_t i = 0; i < panels_.size(); ++i)
        DrawPanel(p, panels_[i], i + 1 == panels_.size());
}

QImage TrendPlot::Render() const {
    QImage image(size_, QImage::Format_RGB32);
    QPainter p(&image);
    Draw(p);
    return image;
}
