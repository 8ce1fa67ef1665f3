// The recovery journal's cost: what the session's thread pays per record
// stored with ten devices of 511 points (the record encoded, then handed to the
// journal's writer), and a full restore (a journal of 10000 records x 10
// devices replayed) against opening the same data set as a document file.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <random>
#include <vector>

#include <QFile>
#include <QTemporaryDir>

#include "data/DocumentFile.h"
#include "export/JournalFormat.h"
#include "session/RecoveryJournal.h"

namespace {
const char* const kJournalPath = "/tmp/vl_bench_journal.vlj";
const char* const kDocumentPath = "/tmp/vl_bench_journal.vltd";

// Spectra as a device gives them: a smooth peak over a dark level with a few
// counts of noise, averaged over four readings.
MeasurementDataSet MakeDataSet(int records) {
    MeasurementDataSet d;
    d.deviceCount = MAX_DEVICES;
    for (int k = 0; k < MAX_DEVICES; ++k) {
        d.serialText[k] = "VLSN" + QByteArray::number(k);
        d.sensorModel[k] = "K52817QX-03";
    }
    std::mt19937 random(7);
    std::uniform_int_distribution<int> noise(-12, 12);
    for (int r = 0; r < records; ++r) {
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
}

const MeasurementDataSet& FullDataSet() {
    static const MeasurementDataSet data = MakeDataSet(MAX_RECORDS);
    return data;
}

double ThreadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// One record stored: its entry encoded and handed over, as the journal's
// subscription does for every record the session stores; wall time and the
// thread's CPU time ("thread_cpu_us") of that alone. Paced (1): the writer has
// written and synced the one before, as at 20 records a second. Back to back
// (0): 200 records (ten seconds of such a run) handed over while the writer
// writes them, then the writer catches up, untimed.
void BM_JournalRecord(benchmark::State& state) {
    const bool paced = state.range(0) != 0;
    const MeasurementDataSet data = MakeDataSet(200);
    QTemporaryDir dir;
    RecoveryJournal journal(dir.filePath("recovery"));
    double cpu = 0;
    int r = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const double cpuStart = ThreadCpuSeconds();
        journal.Append(EncodeRecord(data, r));
        cpu += ThreadCpuSeconds() - cpuStart;
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        r = (r + 1) % data.recordCount;
        if (paced || r == 0)
            journal.Flush();
    }
    journal.Flush();
    if (!journal.notice().isEmpty())
        state.SkipWithError(journal.notice().toStdString().c_str());
    state.counters["thread_cpu_us"] =
        benchmark::Counter(cpu * 1e6 / double(state.iterations()), benchmark::Counter::kDefaults);
    journal.EndCleanly();
}

// The encoding alone, for the share of the hand-over in the figure above.
void BM_EncodeRecord(benchmark::State& state) {
    const MeasurementDataSet data = MakeDataSet(200);
    int r = 0;
    for (auto _ : state) {
        QByteArray payload = EncodeRecord(data, r);
        benchmark::DoNotOptimize(payload.data());
        r = (r + 1) % data.recordCount;
    }
}

// The journal of the full data set, as a snapshot writes it, and its document.
void WriteFiles() {
    static bool written = false;
    if (written)
        return;
    QFile file(kJournalPath);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(JOURNAL_MARK, sizeof JOURNAL_MARK);
        for (const QByteArray& entry : EncodeSnapshot(FullDataSet()))
            file.write(FrameEntry(entry));
    }
    file.close();
    WriteDocumentFile(kDocumentPath, FullDataSet());
    sync();  // written out before anything is measured
    // Each read once, untimed: neither pays for the first touch of its file's
    // pages or of the process's fresh memory.
    ReadJournal(kJournalPath);
    MeasurementDataSet opened;
    ReadDocumentFile(kDocumentPath, opened);
    written = true;
}

void BM_RestoreJournal(benchmark::State& state) {
    WriteFiles();
    for (auto _ : state) {
        const JournalContents contents = ReadJournal(kJournalPath);
        if (!contents.ok() || !contents.damage.isEmpty() ||
            contents.data.recordCount != MAX_RECORDS)
            state.SkipWithError("restore failed");
        benchmark::DoNotOptimize(contents.data.recordCount);
    }
    state.counters["MB"] = static_cast<double>(QFile(kJournalPath).size()) / 1e6;
}

void BM_OpenDocument(benchmark::State& state) {
    WriteFiles();
    for (auto _ : state) {
        MeasurementDataSet data;
        if (!ReadDocumentFile(kDocumentPath, data).ok)
            state.SkipWithError("open failed");
        benchmark::DoNotOptimize(data.recordCount);
    }
    state.counters["MB"] = static_cast<double>(QFile(kDocumentPath).size()) / 1e6;
}

// Five runs of three iterations each; the medians are the figures.
void Repeated(benchmark::internal::Benchmark* b) {
    b->Repetitions(5)
        ->ReportAggregatesOnly(true)
        ->Iterations(3)
        ->Unit(benchmark::kMillisecond)
        ->MeasureProcessCPUTime()
        ->UseRealTime();
}
}  // namespace

// Paced, every record waits for a sync: 2000 of them are enough.
BENCHMARK(BM_JournalRecord)
    ->ArgName("paced")
    ->Arg(1)
    ->Iterations(2000)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_JournalRecord)
    ->ArgName("paced")
    ->Arg(0)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_EncodeRecord)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_RestoreJournal)->Apply(Repeated);
BENCHMARK(BM_OpenDocument)->Apply(Repeated);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::remove(kJournalPath);
    std::remove(kDocumentPath);
    return 0;
}
