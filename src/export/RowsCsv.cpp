#include "export/RowsCsv.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <vector>

#include "data/DataSetFormat.h"
#include "data/WholeFileWriter.h"
#include "export/CsvCells.h"

namespace {
// The longest shortest float32 text ("-1.1754944e-38") with room to spare.
constexpr std::size_t kFloatChars = 24;

void AppendFloatCell(LineText& line, float v) {
    char* out = line.Room(kFloatChars + 1);
    if (std::isnan(v))
        out = AppendText(out, "nan", 3);
    else
        out = std::to_chars(out, out + kFloatChars, v).ptr;
    *out++ = ',';
    line.Done(out);
}

void AppendIntCell(LineText& line, std::int32_t n) {
    char* out = AppendInt(line.Room(16), n);
    *out++ = ',';
    line.Done(out);
}

void AppendTextCell(LineText& line, const QByteArray& text) {
    line.Append(text.constData(), static_cast<std::size_t>(text.size()));
    line.Append(",", 1);
}

void Write(WholeFileWriter& file, LineText& line) {
    line.Append("\r\n", 2);
    file.Write(line.data(), line.size());
    line.Clear();
}
}  // namespace

FileResult ExportRowsCsv(const MeasurementDataSet& data, const QString& path) {
    WholeFileWriter file(path);
    if (!file.isOpen())
        return CsvFileResult(file.Finish(), path);
    const int records = std::clamp(data.recordCount, 0, MAX_RECORDS);
    const int devices = std::clamp(data.deviceCount, 0, MAX_DEVICES);
    const std::vector<std::int32_t> nm = data.UnionWavelengths();
    LineText line;
    static constexpr char kHeader[] =
        "record,date,time,serial,sensor_model,temperature_C,exposure_us,";
    line.Append(kHeader, sizeof kHeader - 1);
    for (const std::int32_t w : nm)
        AppendFloatCell(line, static_cast<float>(w));
    Write(file, line);

    // Each device's index of every union wavelength, -1 where it has no point.
    std::vector<std::vector<int>> index(static_cast<std::size_t>(devices));
    for (int d = 0; d < devices; ++d) {
        const WavelengthGrid grid = data.grid(d);
        for (const std::int32_t w : nm)
            index[static_cast<std::size_t>(d)].push_back(grid.indexOf(w));
    }
    for (int r = 0; r < records; ++r) {
        const StampCells stamp = StampCellsOf(data.record(r).timeStamp);
        for (int d = 0; d < devices; ++d) {
            const MeasurementDataSet::Entry& entry = data.entry(d, r);
            AppendIntCell(line, r + 1);
            line.Append(stamp.date, sizeof stamp.date);
            line.Append(",", 1);
            line.Append(stamp.time, sizeof stamp.time);
            line.Append(",", 1);
            AppendTextCell(line, data.serialText[static_cast<std::size_t>(d)]);
            AppendTextCell(line, data.sensorModel[static_cast<std::size_t>(d)]);
            AppendFloatCell(line, entry.temperature);
            AppendIntCell(line, entry.exposure);
            for (const int i : index[static_cast<std::size_t>(d)]) {
                if (i < 0)
                    line.Append(",", 1);
                else
                    AppendFloatCell(line, entry.values[static_cast<std::size_t>(i)]);
            }
            Write(file, line);
        }
    }
    return CsvFileResult(file.Finish(), path);
}

namespace {
FileResult WriteRowsCsv(const QString& path, const MeasurementDataSet& data) {
    return ExportRowsCsv(data, path);
}
}  // namespace

extern const DataSetFormat kRowsCsvFormat;
const DataSetFormat kRowsCsvFormat{
    "rows-csv",
    {QStringLiteral(".rows.csv")},
    QT_TRANSLATE_NOOP("DataSetFormat", "CSV (1 行 1 記録)"),
    QStringLiteral("*.csv"),
    QT_TRANSLATE_NOOP("CMainFrame", "CSV (1 行 1 記録) にエクスポート…"),
    32801,
    nullptr,
    nullptr,
    WriteRowsCsv,
};
