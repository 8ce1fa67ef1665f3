// Document save and open of a full data set (10 x 10000 x 511, about 205 MB)
// against a plain block copy of the same file, and the HDF5 export and read of
// the same data set in its layouts, measured in the same run.
//
// The document save and the HDF5 export both make their file durable
// (fdatasync) before it replaces the old one. Both are measured so ("synced",
// what the program does) and with that call made a no-op for this process
// ("unsynced", the same code without the wait for the disk).

#include <benchmark/benchmark.h>

#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include <QFile>

#include "data/DocumentFile.h"
#include "export/Hdf5File.h"

namespace {
std::atomic<bool> skipSync{false};

// Writes of earlier benchmarks (the unsynced ones leave gigabytes) go to the
// disk before a benchmark starts, not while it runs.
void Settle() {
    sync();
}

// Runs with synced:0 skip the disk sync of every save and export.
class SyncChoice {
  public:
    explicit SyncChoice(const benchmark::State& state, int arg) {
        skipSync = state.range(arg) == 0;
    }
    ~SyncChoice() { skipSync = false; }
};
}  // namespace

// Interposes the C library's fdatasync for the whole process (WholeFileWriter's
// Finish included) so that the unsynced runs measure the same code.
extern "C" int fdatasync(int fd) {
    return skipSync ? 0 : static_cast<int>(syscall(SYS_fdatasync, fd));
}

namespace {
const char* const kDocumentPath = "/tmp/vl_bench_document.vltd";
const char* const kCopyPath = "/tmp/vl_bench_copy.vltd";
// VL_BENCH_HDF5 names the HDF5 file instead, which is then kept (for
// bench/h5py_compare.py to read and write with h5py).
const char* const kHdf5Keep = std::getenv("VL_BENCH_HDF5");
const char* const kHdf5Path = kHdf5Keep != nullptr ? kHdf5Keep : "/tmp/vl_bench_data.h5";

// Spectra as a device gives them: a smooth peak over a dark level, each value an
// average of four readings with a few counts of noise (so steps of 0.25).
const MeasurementDataSet& FullDataSet() {
    static const MeasurementDataSet data = [] {
        MeasurementDataSet d;
        d.deviceCount = MAX_DEVICES;
        for (int k = 0; k < MAX_DEVICES; ++k) {
            d.serialText[k] = "VLSN" + QByteArray::number(k);
            d.sensorModel[k] = "K52817QX-03";
        }
        std::mt19937 random(7);
        std::uniform_int_distribution<int> noise(-12, 12);
        std::vector<float> shape(511);
        for (int r = 0; r < MAX_RECORDS; ++r) {
            d.AppendRecord(1710454509 + r);
            for (int k = 0; k < MAX_DEVICES; ++k) {
                const double centre = 150.0 + 25.0 * k;
                const double height = 20000.0 + 30.0 * (r % 500);
                auto& e = d.entry(k, r);
                for (int i = 0; i < 511; ++i) {
                    const double x = (i - centre) / 60.0;
                    const double clean = 800.0 + height * std::exp(-x * x);
                    const int sum = 4 * static_cast<int>(clean) + noise(random) + noise(random);
                    e.values[i] = static_cast<float>(sum) / 4.0f;
                }
                e.temperature = 25.0f + 0.01f * static_cast<float>(r % 100);
                e.exposure = 10000;
            }
        }
        return d;
    }();
    return data;
}

void BM_SaveDocument(benchmark::State& state) {
    Settle();
    const MeasurementDataSet& data = FullDataSet();
    const SyncChoice sync(state, 0);
    for (auto _ : state) {
        if (!WriteDocumentFile(kDocumentPath, data).ok)
            state.SkipWithError("save failed");
    }
    state.SetBytesProcessed(state.iterations() * QFile(kDocumentPath).size());
}

void BM_OpenDocument(benchmark::State& state) {
    Settle();
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
    Settle();
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
// Arguments: records per chunk, all devices in a chunk (1) or one (0),
// shuffle (1/0), deflate level (0 = none); for the export also synced (1/0).
Hdf5Layout LayoutOf(const benchmark::State& state) {
    Hdf5Layout layout;
    layout.chunkRecords = static_cast<int>(state.range(0));
    layout.chunkAllDevices = state.range(1) != 0;
    layout.shuffle = state.range(2) != 0;
    layout.level = static_cast<int>(state.range(3));
    return layout;
}

void BM_ExportHdf5(benchmark::State& state) {
    Settle();
    const MeasurementDataSet& data = FullDataSet();
    const Hdf5Layout layout = LayoutOf(state);
    const SyncChoice sync(state, 4);
    for (auto _ : state) {
        if (!WriteHdf5File(kHdf5Path, data, "VL_Tool bench", layout).ok)
            state.SkipWithError("export failed");
    }
    state.counters["MB"] = static_cast<double>(QFile(kHdf5Path).size()) / 1e6;
}

void BM_ReadHdf5(benchmark::State& state) {
    if (!WriteHdf5File(kHdf5Path, FullDataSet(), "VL_Tool bench", LayoutOf(state)).ok)
        state.SkipWithError("export failed");
    Settle();
    for (auto _ : state) {
        MeasurementDataSet data;
        if (!ReadHdf5File(kHdf5Path, data).ok)
            state.SkipWithError("read failed");
        benchmark::DoNotOptimize(data.recordCount);
    }
    state.counters["MB"] = static_cast<double>(QFile(kHdf5Path).size()) / 1e6;
}

// The layouts besides the program's; their exports are measured unsynced.
const std::vector<std::vector<std::int64_t>> kOtherLayouts = {
    {1, 1, 1, 2}, {1, 1, 1, 4}, {1, 1, 1, 6}, {1, 1, 0, 1},  {1, 0, 1, 1},
    {1, 1, 1, 0}, {4, 1, 1, 1}, {8, 1, 1, 1}, {16, 1, 1, 1}, {64, 1, 1, 1}};

void Hdf5Layouts(benchmark::internal::Benchmark* b) {
    b->ArgNames({"records", "all_devices", "shuffle", "level"});
    b->Args({1, 1, 1, 1});  // what the program writes
    for (const auto& layout : kOtherLayouts)
        b->Args(layout);
}

void Hdf5Exports(benchmark::internal::Benchmark* b) {
    b->ArgNames({"records", "all_devices", "shuffle", "level", "synced"});
    b->Args({1, 1, 1, 1, 1});  // what the program does
    b->Args({1, 1, 1, 1, 0});
    for (auto layout : kOtherLayouts) {
        layout.push_back(0);
        b->Args(layout);
    }
}

// Five runs of three iterations each; the medians are the figures.
void Repeated(benchmark::internal::Benchmark* b) {
    b->Repetitions(5)->ReportAggregatesOnly(true);
}
}  // namespace

BENCHMARK(BM_SaveDocument)
    ->ArgName("synced")
    ->Arg(1)
    ->Arg(0)
    ->Apply(Repeated)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK(BM_OpenDocument)
    ->Apply(Repeated)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK(BM_PlainCopy)
    ->ArgName("synced")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

BENCHMARK(BM_ExportHdf5)
    ->Apply(Hdf5Exports)
    ->Apply(Repeated)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK(BM_ReadHdf5)
    ->Apply(Hdf5Layouts)
    ->Apply(Repeated)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::remove(kDocumentPath);
    std::remove(kCopyPath);
    if (kHdf5Keep == nullptr)
        std::remove(kHdf5Path);
    return 0;
}
