// Drawing the trend window's picture at its largest: 10000 records x 10 devices x 3 series
// (intensity, band mean, temperature: two panels), 1200 x 800 pixels, with NaN gaps where a
// device stopped answering. The goal is under 50 ms a picture; and the series computation
// the window redoes when the records change.
#include <benchmark/benchmark.h>

#include <cmath>
#include <limits>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include "data/TrendSeries.h"
#include "display/TrendPlot.h"

namespace {

TrendTable LargeTable() {
    TrendTable t;
    constexpr int kRecords = MAX_RECORDS;
    for (int r = 0; r < kRecords; ++r)
        t.timeStamps.push_back(1709305198 + 10LL * r);
    for (int d = 0; d < MAX_DEVICES; ++d)
        t.serialText.push_back(QByteArray("S") + QByteArray::number(d + 1));
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const TrendQuantity kinds[3] = {TrendQuantity::Intensity, TrendQuantity::BandMean,
                                    TrendQuantity::Temperature};
    for (TrendQuantity q : kinds) {
        for (int d = 0; d < MAX_DEVICES; ++d) {
            TrendColumn c{q, d, "s", std::vector<double>(kRecords)};
            for (int r = 0; r < kRecords; ++r) {
                const bool gap = (r / 500 + d) % 7 == 0;  // runs of 500 not answering
                const double base = q == TrendQuantity::Temperature ? 25.0 : 20000.0 + 1000.0 * d;
                c.values[r] = gap ? nan : base * (1.0 + 0.02 * std::sin(r * 0.01 + d)) + (r % 13);
            }
            t.columns.push_back(std::move(c));
        }
    }
    return t;
}

void BM_DrawTrend(benchmark::State& state) {
    const TrendTable table = LargeTable();
    std::vector<int> shown(table.columns.size());
    for (std::size_t i = 0; i < shown.size(); ++i)
        shown[i] = static_cast<int>(i);
    TrendPlot plot;
    QImage image(1200, 800, QImage::Format_RGB32);
    for (auto _ : state) {
        plot.Layout(table, shown, TrendAxis::Time, image.size());
        QPainter p(&image);
        plot.Draw(p);
        p.end();
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_DrawTrend)->Unit(benchmark::kMillisecond);

// Series from a full data set: 10000 records x 10 devices.
void BM_ComputeTrend(benchmark::State& state) {
    MeasurementDataSet data;
    data.deviceCount = MAX_DEVICES;
    for (int r = 0; r < MAX_RECORDS; ++r) {
        data.AppendRecord(1709305198 + 10LL * r);
        for (int d = 0; d < MAX_DEVICES; ++d) {
            auto& e = data.entry(d, r);
            for (std::size_t i = 0; i < MAX_POINTS; ++i)
                e.values[i] = static_cast<float>(
                    1000.0 + 3000.0 * std::exp(-std::pow((i - 200.0 - d) / 40.0, 2)));
            e.temperature = 25.0f;
        }
    }
    std::vector<TrendRequest> requests{{TrendKind::Intensity, 450},
                                       {TrendKind::BandMean, 500, 600},
                                       {TrendKind::Peak},
                                       {TrendKind::Temperature}};
    if (state.range(0))
        requests.push_back({TrendKind::Cct});
    for (auto _ : state) {
        TrendTable t;
        QString error;
        ComputeTrend(data, requests, {}, t, error);
        benchmark::DoNotOptimize(t.columns.data());
    }
}
BENCHMARK(BM_ComputeTrend)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
