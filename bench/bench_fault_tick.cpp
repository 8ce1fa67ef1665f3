// One monitoring tick of the main view with ten bridged spectrometers and the
// LED unit, all healthy or with one of them silent, with and without a record
// stored on the tick. Host time per tick, plus the time a real serial link
// would lose per tick: every read that loses its reply costs its read bound
// (ReplyTimeoutMs) on the fake clock, which the counters report as
// clock_ms/tick and lost_reads/tick. A silent device costs one bound per
// transfer (the 32-page spectrum included), not one per page.

#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include "faults/FaultRig.h"

namespace {

QString TenBridged(bool oneSilent) {
    QString devices;
    for (int d = 0; d < 10; ++d)
        devices += QString("vis:link=bridge%1,").arg(oneSilent && d == 4 ? ":fault=silent" : "");
    return devices + "led";
}

void BM_FaultTick(benchmark::State& state) {
    const bool silent = state.range(0) != 0;
    const bool acquiring = state.range(1) != 0;
    FaultRig rig;
    QString error;
    if (!rig.Start(TenBridged(silent), error)) {
        state.SkipWithError(error.toStdString().c_str());
        return;
    }
    if (acquiring)
        rig.StartContinuous(0);
    rig.RunTicks(3);
    rig.ports->resetStats();
    std::int64_t clockMs = 0;
    std::int64_t worstClockMs = 0;
    double worstHostUs = 0.0;
    std::int64_t ticks = 0;
    for (auto _ : state) {
        // A full data set stores nothing more: start again from an empty one.
        if (rig.data.recordCount >= MAX_RECORDS - 1) {
            state.PauseTiming();
            while (rig.data.recordCount > 0)
                rig.data.RemoveRecord(rig.data.recordCount - 1);
            state.ResumeTiming();
        }
        const TickFigures f = rig.RunTicks(1);
        clockMs += f.worstClockMs;
        worstClockMs = std::max(worstClockMs, f.worstClockMs);
        worstHostUs = std::max(worstHostUs, f.worstHostUs);
        ++ticks;
    }
    const PortStats total = rig.ports->total();
    state.counters["clock_ms/tick"] = double(clockMs) / double(ticks);
    state.counters["worst_clock_ms"] = double(worstClockMs);
    state.counters["worst_host_us"] = worstHostUs;
    state.counters["lost_reads/tick"] = double(total.lostReads) / double(ticks);
}

// Args: {one silent device, record stored on every tick}.
BENCHMARK(BM_FaultTick)
    ->ArgNames({"silent", "acquiring"})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({0, 1})
    ->Args({1, 1})
    ->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
