// Storage operations on a full data set: deleting a record near the start
// (every later record moves down) and storing the 10000th record.

#include <benchmark/benchmark.h>

#include <chrono>

#include "data/MeasurementDataSet.h"

namespace {
MeasurementDataSet& FullDataSet() {
    static MeasurementDataSet data = [] {
        MeasurementDataSet d;
        d.deviceCount = MAX_DEVICES;
        for (int r = 0; r < MAX_RECORDS; ++r) {
            d.AppendRecord(1710454509 + r);
            for (int k = 0; k < MAX_DEVICES; ++k)
                d.entry(k, r).values.fill(static_cast<float>(r));
        }
        return d;
    }();
    return data;
}

// The live spectra a store copies from, one per device slot.
std::array<std::array<float, MAX_POINTS>, MAX_DEVICES> liveSpectra{};

void StoreFromLive(MeasurementDataSet& data) {
    const int r = data.AppendRecord(1710454509);
    if (r < 0)
        return;
    for (int k = 0; k < data.deviceCount; ++k) {
        auto& e = data.entry(k, r);
        std::copy_n(liveSpectra[k].begin(), data.pointCount, e.values.begin());
        e.temperature = 25.0f;
        e.exposure = 10000;
    }
}

void BM_DeleteNearStartOfFullDataSet(benchmark::State& state) {
    MeasurementDataSet& data = FullDataSet();
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        data.RemoveRecord(1);
        const auto end = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
        StoreFromLive(data);  // back to full, outside the measured time
    }
}

void BM_StoreAt9999Records(benchmark::State& state) {
    MeasurementDataSet& data = FullDataSet();
    for (auto _ : state) {
        data.recordCount = MAX_RECORDS - 1;
        const auto start = std::chrono::steady_clock::now();
        StoreFromLive(data);
        const auto end = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
        benchmark::DoNotOptimize(data.recordCount);
    }
}

void BM_StoreIntoFullDataSetIsIgnored(benchmark::State& state) {
    MeasurementDataSet& data = FullDataSet();
    data.recordCount = MAX_RECORDS;
    for (auto _ : state) {
        StoreFromLive(data);
        benchmark::DoNotOptimize(data.recordCount);
    }
}

void BM_FillEmptyDataSetToCapacity(benchmark::State& state) {
    for (auto _ : state) {
        MeasurementDataSet data;
        data.deviceCount = MAX_DEVICES;
        for (int r = 0; r < MAX_RECORDS; ++r)
            StoreFromLive(data);
        benchmark::DoNotOptimize(data.recordCount);
    }
}
}  // namespace

BENCHMARK(BM_DeleteNearStartOfFullDataSet)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StoreAt9999Records)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StoreIntoFullDataSetIsIgnored)->Unit(benchmark::kNanosecond);
BENCHMARK(BM_FillEmptyDataSetToCapacity)->Iterations(2)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
