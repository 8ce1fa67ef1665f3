// Drawing the graph panel as the monitoring tick does: ten devices, 620 x 700 pixels, each mode.
// The host's whole share of a 50-ms tick is 5 ms; the graph must use a small part of it.
#include <benchmark/benchmark.h>

#include <cmath>
#include <optional>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>

#include "display/ChromaticityBackground.h"
#include "display/LiveGraph.h"

namespace {

struct Scene {
    Scene() : image(620, 700, QImage::Format_RGB32) {
        const QString path = dir.filePath("xyz.bmp");
        RenderChromaticityBackground().save(path, "BMP");
        graph.emplace(path);
        data.deviceCount = 10;
        const int ref = data.AppendRecord(0);
        const int cmp = data.AppendRecord(1);
        for (int d = 0; d < MAX_DEVICES; ++d) {
            for (std::size_t i = 0; i < MAX_POINTS; ++i) {
                const double peak = 200.0 + 30.0 * d;
                const double v =
                    30000.0 * std::exp(-std::pow((static_cast<double>(i) - peak) / 60.0, 2)) +
                    500.0 * std::sin(static_cast<double>(i) * 0.37 + d) + 1000.0;
                live[d][i] = static_cast<float>(v);
                data.entry(d, ref).values[i] = static_cast<float>(v * 1.1);
                data.entry(d, cmp).values[i] = static_cast<float>(v * 0.9);
            }
            in.liveSpectra[d] = live[d];
            in.liveTemperatures[d] = 25.0f + d;
        }
        in.deviceCount = 10;
        in.currentDevice = 3;
        in.dataSet = &data;
        in.referenceIndex = ref;
        in.comparisonIndex = cmp;
        in.ledPresent = true;
        in.ledTemperature = 31.5f;
    }
    QTemporaryDir dir;
    std::optional<LiveGraph> graph;
    MeasurementDataSet data;
    std::array<SpectrumBuffer, MAX_DEVICES> live{};
    GraphInput in;
    QImage image;
};

Scene& TheScene() {
    static Scene scene;
    return scene;
}

void BM_DrawGraph(benchmark::State& state) {
    Scene& s = TheScene();
    s.in.mode = static_cast<int>(state.range(0));
    for (auto _ : state) {
        benchmark::DoNotOptimize(s.graph->DrawGraph(s.image, s.in));
    }
}
BENCHMARK(BM_DrawGraph)
    ->ArgName("mode")
    ->DenseRange(DISPLAY_LINE, DISPLAY_CHROMATICITY)
    ->Unit(benchmark::kMicrosecond);

// Frame, grid and labels only: the part that is the same on every tick.
void BM_DrawAxesOnly(benchmark::State& state) {
    Scene& s = TheScene();
    GraphInput in = s.in;
    in.mode = DISPLAY_LINE;
    in.deviceCount = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(s.graph->DrawGraph(s.image, in));
    }
}
BENCHMARK(BM_DrawAxesOnly)->Unit(benchmark::kMicrosecond);

// Line mode with no device selected: ten one-pixel curves, no wide one.
void BM_DrawThinCurvesOnly(benchmark::State& state) {
    Scene& s = TheScene();
    GraphInput in = s.in;
    in.mode = DISPLAY_LINE;
    in.currentDevice = -1;
    for (auto _ : state) {
        benchmark::DoNotOptimize(s.graph->DrawGraph(s.image, in));
    }
}
BENCHMARK(BM_DrawThinCurvesOnly)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
