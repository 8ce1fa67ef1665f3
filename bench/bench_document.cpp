// Document save and open of a full data set (10 x 10000 x 511, about 205 MB)
// against a plain block copy of the same file, measured in the same run.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <vector>

#include <QFile>

#include "measure/DocumentFile.h"

namespace {
const char* const kDocumentPath = "/tmp/vl_bench_document.vltd";
const char* const kCopyPath = "/tmp/vl_bench_copy.vltd";

const MeasurementDataSet& FullDataSet() {
    static const MeasurementDataSet data = [] {
        MeasurementDataSet d;
        d.deviceCount = MAX_DEVICES;
        for (int k = 0; k < MAX_DEVICES; ++k) {
            d.serialText[k] = "VLSN" + QByteArray::number(k);
            d.sensorModel[k] = "K52817QX-03";
        }
        for (int r = 0; r < MAX_RECORDS; ++r) {
            d.AppendRecord(1710454509 + r);
            for (int k = 0; k < MAX_DEVICES; ++k) {
                auto& e = d.entry(k, r);
                for (int i = 0; i < 511; ++i)
                    e.values[i] = static_cast<float>((r + i * k) % 60000);
                e.temperature = 25.0f;
                e.exposure = 10000;
            }
        }
        return d;
    }();
    return data;
}

void BM_SaveDocument(benchmark::State& state) {
    const MeasurementDataSet& data = FullDataSet();
    for (auto _ : state) {
        if (!WriteDocumentFile(kDocumentPath, data).ok)
            state.SkipWithError("save failed");
    }
    state.SetBytesProcessed(state.iterations() * QFile(kDocumentPath).size());
}

void BM_OpenDocument(benchmark::State& state) {
    if (!QFile::exists(kDocumentPath))
        WriteDocumentFile(kDocumentPath, FullDataSet());
    for (auto _ : state) {
        MeasurementDataSet data;
        if (!ReadDocumentFile(kDocumentPath, data).ok)
            state.SkipWithError("open failed");
        benchmark::DoNotOptimize(data.recordCount);
    }
    state.SetBytesProcessed(state.iterations() * QFile(kDocumentPath).size());
}

// Reads the file and writes it elsewhere in 4 MB blocks: what any program pays
// to move these bytes through user space once. The save also makes its file
// durable before it replaces the old one, so the copy is measured both ways.
void BM_PlainCopy(benchmark::State& state) {
    const bool durable = state.range(0) != 0;
    if (!QFile::exists(kDocumentPath))
        WriteDocumentFile(kDocumentPath, FullDataSet());
    std::vector<char> block(std::size_t{4} << 20);
    for (auto _ : state) {
        std::FILE* in = std::fopen(kDocumentPath, "rb");
        std::FILE* out = std::fopen(kCopyPath, "wb");
        if (in == nullptr || out == nullptr) {
            state.SkipWithError("copy failed");
            break;
        }
        std::size_t n = 0;
        while ((n = std::fread(block.data(), 1, block.size(), in)) > 0) {
            std::fwrite(block.data(), 1, n, out);
        }
        std::fflush(out);
        if (durable)
            fdatasync(fileno(out));
        std::fclose(in);
        std::fclose(out);
    }
    state.SetBytesProcessed(state.iterations() * QFile(kDocumentPath).size());
}
}  // namespace

BENCHMARK(BM_SaveDocument)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OpenDocument)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlainCopy)
    ->ArgName("synced")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::remove(kDocumentPath);
    std::remove(kCopyPath);
    return 0;
}
