// Whole-data-set CSV of a full data set (10 devices x 10000 records x 511
// points): the writer against a plain fprintf("%3.1f,") loop over the same
// data and layout, both in one run; the two files must be identical.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <random>
#include <vector>

#include <QFile>

#include "export/DataSetCsv.h"

namespace {
const char* const kFastPath = "/tmp/vl_bench_export.csv";
const char* const kPrintfPath = "/tmp/vl_bench_printf.csv";
double fastSeconds = 0;
double printfSeconds = 0;

const MeasurementDataSet& FullDataSet() {
    static const MeasurementDataSet data = [] {
        MeasurementDataSet d;
        d.deviceCount = MAX_DEVICES;
        for (int k = 0; k < MAX_DEVICES; ++k)
            d.serialText[k] = "VLSN" + QByteArray::number(k);
        std::mt19937 gen(7);
        std::uniform_real_distribution<float> counts(-50.0f, 60000.0f);
        for (int r = 0; r < MAX_RECORDS; ++r) {
            d.AppendRecord(1710454509 + r);
            for (int k = 0; k < MAX_DEVICES; ++k) {
                auto& e = d.entry(k, r);
                for (float& v : e.values)
                    v = counts(gen);
                e.temperature = 20.0f + static_cast<float>(r % 100) * 0.05f;
                e.exposure = 10000;
            }
        }
        return d;
    }();
    return data;
}

// The layout written value by value through fprintf, as a C program would.
void PrintfLoop(const MeasurementDataSet& data, const char* path) {
    std::FILE* f = std::fopen(path, "wb");
    if (f == nullptr)
        return;
    const int R = data.recordCount, D = data.deviceCount, N = data.pointCount;
    std::fprintf(f, "Velarim Spectrum data( TRX Model)\r\n");
    std::fprintf(f, "device,");
    for (int d = 0; d < D; ++d)
        for (int r = 0; r < R; ++r)
            std::fprintf(f, "%s,", data.serialText[d].constData());
    std::fprintf(f, "\r\n");
    const char* formats[2] = {"%Y/%m/%d,", "%H:%M:%S,"};
    const char* labels[2] = {"date,", "time,"};
    for (int row = 0; row < 2; ++row) {
        std::fprintf(f, "%s", labels[row]);
        for (int d = 0; d < D; ++d) {
            for (int r = 0; r < R; ++r) {
                std::tm t{};
                const std::time_t stamp = data.record(r).timeStamp;
                localtime_r(&stamp, &t);
                char text[64];
                std::strftime(text, sizeof text, formats[row], &t);
                std::fputs(text, f);
            }
        }
        std::fprintf(f, "\r\n");
    }
    std::fprintf(f, "temperature,");
    for (int d = 0; d < D; ++d)
        for (int r = 0; r < R; ++r)
            std::fprintf(f, "%3.1f,", data.entry(d, r).temperature);
    std::fprintf(f, "\r\n");
    for (int i = 0; i < N; ++i) {
        std::fprintf(f, "%d,", data.firstWavelength + i);
        for (int d = 0; d < D; ++d)
            for (int r = 0; r < R; ++r)
                std::fprintf(f, "%3.1f,", data.entry(d, r).values[i]);
        std::fprintf(f, "\r\n");
    }
    std::fclose(f);
}

double Seconds(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_ExportDataSetCsv(benchmark::State& state) {
    const MeasurementDataSet& data = FullDataSet();
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const FileResult result = ExportDataSetCsv(data, kFastPath);
        fastSeconds = Seconds(start);
        if (!result.ok)
            state.SkipWithError("export failed");
    }
    state.counters["MB"] = static_cast<double>(QFile(kFastPath).size()) / 1e6;
}

void BM_FprintfLoop(benchmark::State& state) {
    const MeasurementDataSet& data = FullDataSet();
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        PrintfLoop(data, kPrintfPath);
        printfSeconds = Seconds(start);
    }
    state.counters["MB"] = static_cast<double>(QFile(kPrintfPath).size()) / 1e6;
}

bool SameFiles(const char* a, const char* b) {
    QFile fa(a), fb(b);
    if (!fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly))
        return false;
    if (fa.size() != fb.size())
        return false;
    std::vector<char> ba(1 << 22), bb(1 << 22);
    for (;;) {
        const qint64 na = fa.read(ba.data(), static_cast<qint64>(ba.size()));
        const qint64 nb = fb.read(bb.data(), static_cast<qint64>(bb.size()));
        if (na != nb || na < 0)
            return false;
        if (na == 0)
            return true;
        if (std::memcmp(ba.data(), bb.data(), static_cast<std::size_t>(na)) != 0)
            return false;
    }
}
}  // namespace

BENCHMARK(BM_ExportDataSetCsv)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FprintfLoop)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (fastSeconds > 0 && printfSeconds > 0) {
        const bool same = SameFiles(kFastPath, kPrintfPath);
        std::printf("identical bytes: %s; fprintf loop / export = %.1fx\n", same ? "yes" : "NO",
                    printfSeconds / fastSeconds);
    }
    std::remove(kFastPath);
    std::remove(kPrintfPath);
    return 0;
}
