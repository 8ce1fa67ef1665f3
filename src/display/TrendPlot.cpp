#include "display/TrendPlot.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <ctime>

#include <QFont>
#include <QFontMetrics>

#include "data/TrendTimeAxis.h"

namespace {
constexpr int kLeft = 70;
constexpr int kRight = 14;
constexpr int kTop = 22;  // the legend strip of one row
constexpr int kLegendRow = 16;

// The picture's font (Draw sets it).
QFont TrendFont() {
    QFont font;
    font.setPixelSize(11);
    return font;
}
constexpr int kBottom = 34;
constexpr int kGap = 10;

int Decimals(TrendQuantity q) {
    switch (q) {
        case TrendQuantity::PeakWavelength:
        case TrendQuantity::Cct:
            return 0;
        case TrendQuantity::X:
        case TrendQuantity::Y:
        case TrendQuantity::UPrime:
        case TrendQuantity::VPrime:
            return 4;
        default:
            return 1;
    }
}

// printf's "%.*f" (as the CSV file writes it), whatever the locale.
QString Fixed(double v, int decimals) {
    char text[400];
    const auto end = std::to_chars(text, text + sizeof text, v, std::chars_format::fixed, decimals);
    return QString::fromLatin1(text, static_cast<qsizetype>(end.ptr - text));
}

QString FullStamp(std::int64_t stamp) {
    std::tm t{};
    if (!LocalTimeOf(stamp, t))
        return QString::fromLatin1(kDatePlaceholder) + ' ' + kTimePlaceholder;
    char text[32];
    std::strftime(text, sizeof text, "%Y/%m/%d %H:%M:%S", &t);
    return QString::fromLatin1(text);
}
}  // namespace

QString TrendUnitTitle(TrendUnit unit) {
    switch (unit) {
        case TrendUnit::Counts:
            return QStringLiteral("counts");
        case TrendUnit::Nanometre:
            return QStringLiteral("nm");
        case TrendUnit::Chromaticity:
            return QStringLiteral("x, y");
        case TrendUnit::UvChromaticity:
            return QString::fromUtf8("u′, v′");
        case TrendUnit::Kelvin:
            return QStringLiteral("K");
        case TrendUnit::Celsius:
            break;
    }
    return QString::fromUtf8("°C");
}

QString TrendColumnLabel(const TrendTable& table, const TrendColumn& column) {
    QString label = QString::fromStdString(column.name);
    if (column.device >= 0 && column.device < static_cast<int>(table.serialText.size()))
        label +=
            ' ' + QString::fromLatin1(table.serialText[static_cast<std::size_t>(column.device)]);
    return label;
}

void TrendPlot::Layout(const TrendTable& table, std::vector<int> shown, TrendAxis axis,
                       QSize size) {
    table_ = &table;
    shown_ = std::move(shown);
    axis_ = axis;
    size_ = size;
    panels_.clear();
    for (int u = 0; u < kTrendUnits; ++u) {
        Panel panel{static_cast<TrendUnit>(u), {}, 0.0, 1.0, {}};
        for (int c : shown_) {
            if (UnitOf(table.columns[static_cast<std::size_t>(c)].quantity) == panel.unit)
                panel.columns.push_back(c);
        }
        if (!panel.columns.empty())
            panels_.push_back(std::move(panel));
    }
    plotLeft_ = kLeft;
    plotRight_ = std::max(kLeft + 1, size.width() - kRight);
    LayOutLegend();
    const int top = kTop + (legendRows_ - 1) * kLegendRow;
    const int n = static_cast<int>(panels_.size());
    const int height = n ? std::max(20, (size.height() - top - kBottom - kGap * (n - 1)) / n) : 0;
    for (int i = 0; i < n; ++i) {
        Panel& panel = panels_[static_cast<std::size_t>(i)];
        panel.rect = QRect(plotLeft_, top + i * (height + kGap), plotRight_ - plotLeft_, height);
        double low = INFINITY, high = -INFINITY;
        for (int c : panel.columns) {
            for (double v : table.columns[static_cast<std::size_t>(c)].values) {
                if (std::isfinite(v)) {
                    low = std::min(low, v);
                    high = std::max(high, v);
                }
            }
        }
        if (!(low <= high)) {
            low = 0.0;
            high = 1.0;
        }
        const double pad = high > low ? (high - low) * 0.05 : std::max(std::abs(high) * 0.01, 1e-3);
        panel.low = low - pad;
        panel.high = high + pad;
    }
    const int records = table.recordCount();
    xLow_ = records ? XValue(0) : 0.0;
    xHigh_ = records ? XValue(records - 1) : 1.0;
    for (int r = 0; r < records; ++r) {
        xLow_ = std::min(xLow_, XValue(r));
        xHigh_ = std::max(xHigh_, XValue(r));
    }
    if (!(xHigh_ > xLow_)) {
        xLow_ -= 0.5;
        xHigh_ += 0.5;
    }
    withDate_ = axis_ == TrendAxis::Time && CrossesMidnight(table.timeStamps);
    // Every column shares the records' places along x.
    xs_.resize(static_cast<std::size_t>(records));
    const double scale = (plotRight_ - plotLeft_ - 1) / (xHigh_ - xLow_);
    for (int r = 0; r < records; ++r)
        xs_[static_cast<std::size_t>(r)] = plotLeft_ + (XValue(r) - xLow_) * scale;
}

double TrendPlot::XValue(int record) const {
    if (axis_ == TrendAxis::Record)
        return record + 1;
    return static_cast<double>(table_->timeStamps[static_cast<std::size_t>(record)]);
}

double TrendPlot::XOf(int record) const {
    return xs_[static_cast<std::size_t>(record)];
}

double TrendPlot::YOf(const Panel& panel, double v) const {
    const QRect& r = panel.rect;
    return r.bottom() - (v - panel.low) / (panel.high - panel.low) * (r.height() - 1);
}

int TrendPlot::RecordAt(QPoint point) const {
    if (!table_ || table_->recordCount() == 0 || panels_.empty())
        return -1;
    const QRect all = panels_.front().rect.united(panels_.back().rect);
    if (!all.adjusted(-4, 0, 4, 0).contains(point))
        return -1;
    int best = -1;
    double distance = 6.0;  // pixels
    for (int r = 0; r < table_->recordCount(); ++r) {
        const double d = std::abs(XOf(r) - point.x());
        if (d <= distance) {
            distance = d;
            best = r;
        }
    }
    return best;
}

QString TrendPlot::ReadoutOf(int record) const {
    if (!table_ || record < 0 || record >= table_->recordCount())
        return {};
    QString text = QStringLiteral("record %1  %2")
                       .arg(record + 1)
                       .arg(FullStamp(table_->timeStamps[static_cast<std::size_t>(record)]));
    for (int c : shown_) {
        const TrendColumn& col = table_->columns[static_cast<std::size_t>(c)];
        const double v = col.values[static_cast<std::size_t>(record)];
        text += QStringLiteral("  ") + TrendColumnLabel(*table_, col) + ' ' +
                (std::isfinite(v) ? Fixed(v, Decimals(col.quantity)) : QStringLiteral("nan"));
    }
    return text;
}

// Kinds with their line styles, then the devices in their colours, left to right from the
// plot's left edge; an entry that would run past the picture's right edge starts a new row.
void TrendPlot::LayOutLegend() {
    legend_.clear();
    legendRows_ = 1;
    if (!table_)
        return;
    const QFontMetrics metrics(TrendFont());
    std::vector<std::string> kinds;
    std::vector<int> devices;
    for (int c : shown_) {
        const TrendColumn& col = table_->columns[static_cast<std::size_t>(c)];
        if (std::find(kinds.begin(), kinds.end(), col.name) == kinds.end()) {
            kinds.push_back(col.name);
            legend_.push_back({false, c, QString::fromStdString(col.name), 0, 0});
        }
        if (std::find(devices.begin(), devices.end(), col.device) == devices.end())
            devices.push_back(col.device);
    }
    std::sort(devices.begin(), devices.end());
    for (int d : devices) {
        const QString serial =
            d < static_cast<int>(table_->serialText.size())
                ? QString::fromLatin1(table_->serialText[static_cast<std::size_t>(d)])
                : QString::number(d + 1);
        legend_.push_back({true, d, serial, 0, 0});
    }
    int x = plotLeft_;
    int row = 0;
    const int right = std::max(size_.width() - kRight, plotLeft_ + 1);
    for (LegendEntry& e : legend_) {
        const int mark = e.device ? 13 : 26;
        const int width = mark + metrics.horizontalAdvance(e.text);
        if (x > plotLeft_ && x + width > right) {
            x = plotLeft_;
            ++row;
        }
        e.x = x;
        e.row = row;
        x += width + (e.device ? 10 : 14);
    }
    legendRows_ = row + 1;
}
