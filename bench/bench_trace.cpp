// The cost of --trace on one monitoring tick: spectrum and temperature of ten
// simulated spectrometers, with the ports plain and with every port traced
// into a file. Host time only (the devices run on a fake clock); the traced
// tick may be only a few microseconds slower.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>

#include <QDir>

#include "device/DeviceLink.h"
#include "device/DeviceOperations.h"
#include "device/Exchange.h"
#include "device/TracingTransport.h"
#include "setup/SimPortProvider.h"
#include "support/FakeClock.h"
#include "support/InlinePortExecutor.h"

namespace {

const QString kTenDevices = "vis,vis,vis,vis,vis,vis,vis,vis,vis,vis";

// A trace file in the temporary folder; null, with the benchmark skipped, when
// it cannot be created.
std::shared_ptr<TraceLog> BenchLog(benchmark::State& state, const char* name) {
    QString error;
    std::shared_ptr<TraceLog> log = TraceLog::Create(QDir::temp().filePath(name), error);
    if (!log)
        state.SkipWithError(error.toStdString().c_str());
    return log;
}

void Tick(benchmark::State& state, bool traced) {
    FakeClock clock;
    QString error;
    std::unique_ptr<PortProvider> ports = SimPortProvider::FromText(kTenDevices, clock, error);
    if (traced) {
        std::shared_ptr<TraceLog> log = BenchLog(state, "bench_trace.txt");
        if (!log)
            return;
        ports = std::make_unique<TracingPortProvider>(std::move(ports), std::move(log));
    }
    InlinePortExecutor executor(clock);
    DeviceLink link(*ports, clock, executor, 0);
    int found = 0;
    link.DetectSpectrometers({}, [&found](int n) { found = n; });
    if (found != 10) {
        state.SkipWithError("ten devices expected");
        return;
    }
    for (auto _ : state) {
        for (int i = 0; i < link.deviceCount(); ++i) {
            link.slot(i).channel->post([](PortAccess& port) {
                benchmark::DoNotOptimize(ReadLiveData(*port.transport(), false, int(MAX_POINTS)));
            });
        }
        clock.advanceMs(50);
    }
    state.counters["exchanges/tick"] = 20;
}

// A port that takes every request and answers at once with zeros: what is
// left of a tick's cost is the port layer itself.
class InstantTransport final : public Transport {
  public:
    std::size_t write(std::span<const std::uint8_t> bytes) override { return bytes.size(); }
    bool read(std::span<std::uint8_t> into) override {
        std::fill(into.begin(), into.end(), std::uint8_t(0));
        return true;
    }
    QString portName() const override { return QStringLiteral("ttyACM0"); }
};

// The twenty exchanges of a tick (whole spectrum and temperature of ten
// devices) over instant ports, to show the tracing layer's own cost.
void LayerOnly(benchmark::State& state, bool traced) {
    std::unique_ptr<Transport> port = std::make_unique<InstantTransport>();
    if (traced) {
        std::shared_ptr<TraceLog> log = BenchLog(state, "bench_trace_layer.txt");
        if (!log)
            return;
        port = std::make_unique<TracingTransport>(std::move(port), std::move(log));
    }
    for (auto _ : state) {
        for (int i = 0; i < 10; ++i)
            benchmark::DoNotOptimize(ReadLiveData(*port, false, int(MAX_POINTS)));
    }
}

void BM_LayerPlain(benchmark::State& state) {
    LayerOnly(state, false);
}
void BM_LayerTraced(benchmark::State& state) {
    LayerOnly(state, true);
}

void BM_TickPlain(benchmark::State& state) {
    Tick(state, false);
}
void BM_TickTraced(benchmark::State& state) {
    Tick(state, true);
}

BENCHMARK(BM_LayerPlain)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LayerTraced)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TickPlain)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TickTraced)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
