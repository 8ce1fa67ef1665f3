// Colour of a whole run: `velarim-cli trend FULL --xy --cct --uv` against `--peak` on the same
// full document (10 devices x 10000 records, lamp-like spectra over a dark level with noise),
// done as the command does it (read the file, work out the series, write the CSV to
// /dev/null); the goal is at most 5x. Then the pieces: the colour temperature and Duv per
// spectrum (goal under 5 us), the colour of one spectrum with and without it, and the trend
// window's split: the copy made on its thread (into fresh memory, and into the buffers of the
// run before, as the window does) and the computation on the other.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

#include "data/ColourMetrics.h"
#include "data/DocumentFile.h"
#include "data/TrendColour.h"
#include "data/TrendSeries.h"
#include "export/DataSetFormats.h"
#include "export/Hdf5File.h"
#include "export/TrendCsv.h"

namespace {

const char* const kPath = "/tmp/vl_bench_colour.vltd";

// A blackbody shape of a temperature per device (2500..9000 K) and a drift over the run, over
// a dark level of 800 counts, averages of four readings with a few counts of noise.
void FillFullDataSet(MeasurementDataSet& d) {
    d.deviceCount = MAX_DEVICES;
    for (int k = 0; k < MAX_DEVICES; ++k)
        d.serialText[k] = "VLSN" + QByteArray::number(k);
    std::mt19937 random(11);
    std::uniform_int_distribution<int> noise(-12, 12);
    for (int r = 0; r < MAX_RECORDS; ++r) {
        d.AppendRecord(1710454509 + r);
        for (int k = 0; k < MAX_DEVICES; ++k) {
            const double kelvin = 2500.0 + 700.0 * k + 0.02 * (r % 1000);
            auto& e = d.entry(k, r);
            for (int i = 0; i < 511; ++i) {
                const double m = (340 + i) * 1e-9;
                const double shape = std::pow(m / 560e-9, -5.0) *
                                     std::expm1(1.4388e-2 / (560e-9 * kelvin)) /
                                     std::expm1(1.4388e-2 / (m * kelvin));
                const double clean = 800.0 + 20000.0 * shape;
                const int sum = 4 * static_cast<int>(clean) + noise(random) + noise(random);
                e.values[i] = static_cast<float>(sum) / 4.0f - 800.0f;  // dark subtracted
            }
            e.temperature = 25.0f;
        }
    }
}

void EnsureFile() {
    static const bool written = [] {
        MeasurementDataSet d;
        FillFullDataSet(d);
        return WriteDocumentFile(kPath, d).ok;
    }();
    if (!written)
        std::fprintf(stderr, "bench_colour: could not write %s\n", kPath);
}

// What `velarim-cli trend` does: read, work out, write.
void BM_TrendCommand(benchmark::State& state) {
    EnsureFile();
    std::vector<TrendRequest> requests;
    if (state.range(0) == 0)
        requests = {{TrendKind::Peak}};
    else
        requests = {{TrendKind::Chromaticity}, {TrendKind::Cct}, {TrendKind::Uv}};
    std::FILE* sink = std::fopen("/dev/null", "wb");
    for (auto _ : state) {
        MeasurementDataSet data;
        if (!ReadDataSetFile(kPath, data).ok) {
            state.SkipWithError("read failed");
            break;
        }
        TrendTable table;
        QString error;
        ComputeTrend(data, requests, {}, table, error);
        WriteTrendCsv(table, [sink](const char* text, std::size_t size) {
            std::fwrite(text, 1, size, sink);
        });
    }
    std::fclose(sink);
    state.SetLabel(state.range(0) == 0 ? "--peak" : "--xy --cct --uv");
}
BENCHMARK(BM_TrendCommand)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

// Samples spread over 1000..25000 K and |Duv| up to 0.04 on both sides.
std::vector<Tristimulus> Samples() {
    std::vector<Tristimulus> out;
    for (double kelvin = 1100.0; kelvin < 24000.0; kelvin *= 1.05) {
        const Tristimulus p = PlanckTristimulus(kelvin);
        for (double g : {0.0, 0.05, -0.05, 0.15, -0.15})
            out.push_back({p.X, p.Y * (1.0 + g), p.Z});
    }
    return out;
}

void BM_CctAndDuv(benchmark::State& state) {
    const std::vector<Tristimulus> samples = Samples();
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(CctAndDuvOf(samples[i]));
        i = i + 1 == samples.size() ? 0 : i + 1;
    }
}
BENCHMARK(BM_CctAndDuv)->Unit(benchmark::kMicrosecond);

void BM_ColourOfSpectrum(benchmark::State& state) {
    MeasurementDataSet data;
    data.deviceCount = 1;
    data.AppendRecord(0);
    std::vector<float> s(511);
    for (int i = 0; i < 511; ++i)
        s[i] = static_cast<float>(1000.0 * std::exp(-std::pow((i - 200.0) / 90.0, 2)) + 200.0);
    const bool temperature = state.range(0) != 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(ColourOfSpectrum(s, 511, 340, temperature));
    state.SetLabel(temperature ? "x, y, u', v', CCT, Duv" : "x, y, u', v'");
}
BENCHMARK(BM_ColourOfSpectrum)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The trend window over a full data set: the copy on its thread, the computation on another.
void BM_TrendWindowColour(benchmark::State& state) {
    static MeasurementDataSet data;
    if (data.recordCount == 0)
        FillFullDataSet(data);
    const std::vector<TrendRequest> requests{
        {TrendKind::Chromaticity}, {TrendKind::Cct}, {TrendKind::Uv}};
    TrendTable table;
    QString error;
    ComputeTrend(data, requests, {}, table, error, TrendColourWhen::Later);
    const int what = static_cast<int>(state.range(0));
    TrendColourInput copied = CopyTrendColourInput(data, table);
    for (auto _ : state) {
        if (what == 0) {
            benchmark::DoNotOptimize(CopyTrendColourInput(data, table).sources.data());
        } else if (what == 1) {
            copied = CopyTrendColourInput(data, table, std::move(copied));
            benchmark::DoNotOptimize(copied.sources.data());
        } else {
            TrendColourValues values;
            ComputeTrendColour(copied, values);
            benchmark::DoNotOptimize(values.data());
        }
    }
    const char* labels[] = {"copy into fresh memory (window's thread)",
                            "copy into the last run's buffers (window's thread)",
                            "colour (other thread)"};
    state.SetLabel(labels[what]);
}
BENCHMARK(BM_TrendWindowColour)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
