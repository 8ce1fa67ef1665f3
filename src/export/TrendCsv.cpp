#include "export/TrendCsv.h"

#include <charconv>
#include <cmath>

#include "data/WholeFileWriter.h"
#include "export/CsvCells.h"

namespace {

constexpr char kLineEnd[] = "\r\n";

char* AppendNan(char* out) {
    return AppendText(out, "nan", 3);
}

// printf's "%.*f" for a double, in the C locale whatever the process's locale.
char* AppendFixed(char* out, double v, int decimals) {
    if (!std::isfinite(v))
        return AppendNan(out);
    return std::to_chars(out, out + 400, v, std::chars_format::fixed, decimals).ptr;
}

// "%3.1f" of a double: a band mean is no float, so it does not go through
// AppendFixed1's single-precision path; padded to three as that one.
char* AppendWideFixed1(char* out, double v) {
    char* const begin = out;
    out = AppendFixed(out, v, 1);
    const auto size = out - begin;
    if (size >= 3)
        return out;
    std::memmove(begin + (3 - size), begin, static_cast<std::size_t>(size));
    std::memset(begin, ' ', static_cast<std::size_t>(3 - size));
    return begin + 3;
}

char* AppendValue(char* out, TrendQuantity q, double v) {
    if (std::isnan(v))
        return AppendNan(out);
    switch (q) {
        case TrendQuantity::Intensity:
        case TrendQuantity::PeakHeight:
        case TrendQuantity::Temperature:
            return AppendFixed1(out, static_cast<float>(v));  // a float widened: exact
        case TrendQuantity::BandMean:
            return AppendWideFixed1(out, v);
        case TrendQuantity::PeakWavelength:
            return AppendInt(out, static_cast<std::int32_t>(v));
        case TrendQuantity::X:
        case TrendQuantity::Y:
        case TrendQuantity::UPrime:
        case TrendQuantity::VPrime:
            return AppendFixed(out, v, 4);
        case TrendQuantity::Cct:
            break;
    }
    return AppendFixed(out, v, 0);
}

}  // namespace

void WriteTrendCsv(const TrendTable& table,
                   const std::function<void(const char*, std::size_t)>& write) {
    LineText line;
    line.Append("record,date,time,", 17);
    for (const TrendColumn& c : table.columns) {
        line.Append(c.name.data(), c.name.size());
        line.Append("_", 1);
        if (c.device >= 0 && c.device < static_cast<int>(table.serialText.size())) {
            const QByteArray& serial = table.serialText[static_cast<std::size_t>(c.device)];
            line.Append(serial.constData(), static_cast<std::size_t>(serial.size()));
        }
        line.Append(",", 1);
    }
    line.Append(kLineEnd, 2);
    write(line.data(), line.size());

    for (int r = 0; r < table.recordCount(); ++r) {
        line.Clear();
        char* out = AppendInt(line.Room(16), r + 1);
        *out++ = ',';
        line.Done(out);
        const StampCells stamp = StampCellsOf(table.timeStamps[static_cast<std::size_t>(r)]);
        line.Append(stamp.date, sizeof stamp.date);
        line.Append(",", 1);
        line.Append(stamp.time, sizeof stamp.time);
        line.Append(",", 1);
        for (const TrendColumn& c : table.columns) {
            out = AppendValue(line.Room(400), c.quantity, c.values[static_cast<std::size_t>(r)]);
            *out++ = ',';
            line.Done(out);
        }
        line.Append(kLineEnd, 2);
        write(line.data(), line.size());
    }
}

FileResult ExportTrendCsv(const TrendTable& table, const QString& path) {
    WholeFileWriter sink(path);
    if (sink.isOpen())
        WriteTrendCsv(table,
                      [&sink](const char* data, std::size_t size) { sink.Write(data, size); });
    return CsvFileResult(sink.Finish(), path);
}
