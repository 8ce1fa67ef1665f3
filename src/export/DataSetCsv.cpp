#include "export/DataSetCsv.h"

#include <algorithm>
#include <vector>

#include "data/DataSetFormat.h"
#include "data/WholeFileWriter.h"
#include "export/CsvAppend.h"
#include "export/CsvCells.h"

namespace {
// Wavelength rows built together: each (device, record) spectrum is visited
// once per group and gives a run of neighbouring values to the group's rows.
constexpr int kRowGroup = 16;
constexpr char kLineEnd[] = "\r\n";

struct Counts {
    int records;
    int devices;
};

Counts CountsOf(const MeasurementDataSet& data) {
    return {std::clamp(data.recordCount, 0, MAX_RECORDS),
            std::clamp(data.deviceCount, 0, MAX_DEVICES)};
}

void EndLine(LineText& line) {
    line.Append(kLineEnd, 2);
}

template <typename Sink>
void WriteLine(Sink& sink, const LineText& line) {
    sink.Write(line.data(), line.size());
}

void AppendFixedCell(LineText& line, float v) {
    char* out = AppendFixed1(line.Room(kMaxFixedChars + 1), v);
    *out++ = ',';
    line.Done(out);
}

void AppendName(LineText& line, const QByteArray& name) {
    line.Append(name.constData(), static_cast<std::size_t>(name.size()));
    line.Append(",", 1);
}

// Device d's value at nm, or its comma alone where its grid has no point there.
void AppendValueCell(LineText& line, const float* values, int index) {
    if (index < 0)
        line.Append(",", 1);
    else
        AppendFixedCell(line, values[index]);
}

// One row per wavelength of the devices' grids together, ascending.
void WriteWavelengthRows(WholeFileWriter& sink, const MeasurementDataSet& data, const Counts& n) {
    const std::vector<std::int32_t> nm = data.UnionWavelengths();
    const int total = static_cast<int>(nm.size());
    std::vector<LineText> rows(kRowGroup);
    int index[kRowGroup];
    for (int base = 0; base < total; base += kRowGroup) {
        const int count = std::min(kRowGroup, total - base);
        for (int j = 0; j < count; ++j) {
            rows[j].Clear();
            char* out = AppendInt(rows[j].Room(16), nm[base + j]);
            *out++ = ',';
            rows[j].Done(out);
        }
        for (int d = 0; d < n.devices; ++d) {
            const WavelengthGrid grid = data.grid(d);
            for (int j = 0; j < count; ++j)
                index[j] = grid.indexOf(nm[base + j]);
            for (int r = 0; r < n.records; ++r) {
                const float* values = data.entry(d, r).values.data();
                for (int j = 0; j < count; ++j)
                    AppendValueCell(rows[j], values, index[j]);
            }
        }
        for (int j = 0; j < count; ++j) {
            EndLine(rows[j]);
            WriteLine(sink, rows[j]);
        }
    }
}
}  // namespace

FileResult ExportDataSetCsv(const MeasurementDataSet& data, const QString& path) {
    WholeFileWriter sink(path);
    if (!sink.isOpen())
        return CsvFileResult(sink.Finish(), path);
    const Counts n = CountsOf(data);
    LineText line;
    line.Append(kCsvTitle, sizeof kCsvTitle - 1);
    EndLine(line);
    WriteLine(sink, line);

    line.Clear();
    line.Append("device,", 7);
    for (int d = 0; d < n.devices; ++d) {
        for (int r = 0; r < n.records; ++r)
            AppendName(line, data.serialText[d]);
    }
    EndLine(line);
    WriteLine(sink, line);

    std::vector<StampCells> stamps;
    stamps.reserve(static_cast<std::size_t>(n.records));
    for (int r = 0; r < n.records; ++r)
        stamps.push_back(StampCellsOf(data.record(r).timeStamp));
    line.Clear();
    line.Append("date,", 5);
    for (int d = 0; d < n.devices; ++d) {
        for (const StampCells& s : stamps) {
            line.Append(s.date, sizeof s.date);
            line.Append(",", 1);
        }
    }
    EndLine(line);
    WriteLine(sink, line);
    line.Clear();
    line.Append("time,", 5);
    for (int d = 0; d < n.devices; ++d) {
        for (const StampCells& s : stamps) {
            line.Append(s.time, sizeof s.time);
            line.Append(",", 1);
        }
    }
    EndLine(line);
    WriteLine(sink, line);

    line.Clear();
    line.Append("temperature,", 12);
    for (int d = 0; d < n.devices; ++d) {
        for (int r = 0; r < n.records; ++r)
            AppendFixedCell(line, data.entry(d, r).temperature);
    }
    EndLine(line);
    WriteLine(sink, line);

    WriteWavelengthRows(sink, data, n);
    return CsvFileResult(sink.Finish(), path);
}

FileResult AppendRecordCsv(const QString& path, const MeasurementDataSet& data, int r,
                           int appendFlag) {
    const Counts n = CountsOf(data);
    if (r < 0 || r >= n.records)
        return {};
    CsvAppend sink(path);
    if (!sink.isOpen())
        return CsvFileResult(sink.Finish(), path);
    const std::vector<std::int32_t> nm = data.UnionWavelengths();
    LineText line;
    if (appendFlag == 0) {
        line.Append(kCsvTitle, sizeof kCsvTitle - 1);
        EndLine(line);
        line.Append("device,", 7);
        for (int d = 0; d < n.devices; ++d)
            AppendName(line, data.serialText[d]);
        EndLine(line);
        line.Append("date,time,", 10);
        for (int d = 0; d < n.devices; ++d) {
            line.Append("temp,", 5);
            for (const std::int32_t w : nm) {
                char* out = AppendInt3(line.Room(16), w);
                *out++ = ',';
                line.Done(out);
            }
        }
        EndLine(line);
    }
    const StampCells stamp = StampCellsOf(data.record(r).timeStamp);
    line.Append(stamp.date, sizeof stamp.date);
    line.Append(",", 1);
    line.Append(stamp.time, sizeof stamp.time);
    line.Append(",", 1);
    for (int d = 0; d < n.devices; ++d) {
        const MeasurementDataSet::Entry& entry = data.entry(d, r);
        const WavelengthGrid grid = data.grid(d);
        AppendFixedCell(line, entry.temperature);
        for (const std::int32_t w : nm)
            AppendValueCell(line, entry.values.data(), grid.indexOf(w));
    }
    EndLine(line);
    WriteLine(sink, line);
    return CsvFileResult(sink.Finish(), path);
}

namespace {
FileResult WriteDataSetCsv(const QString& path, const MeasurementDataSet& data) {
    return ExportDataSetCsv(data, path);
}
}  // namespace

extern const DataSetFormat kDataSetCsvFormat;
const DataSetFormat kDataSetCsvFormat{
    "csv",
    {QStringLiteral(".csv")},
    QT_TRANSLATE_NOOP("DataSetFormat", "CSV"),
    QStringLiteral("*.csv"),
    QT_TRANSLATE_NOOP("CMainFrame", "CSV にエクスポート…"),
    32800,
    nullptr,
    nullptr,
    WriteDataSetCsv,
};
