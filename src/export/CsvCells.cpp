#include "export/CsvCells.h"

#include <charconv>
#include <cmath>

#include "data/MeasurementDataSet.h"

namespace {
char* PadToThree(char* begin, char* end) {
    const auto size = end - begin;
    if (size >= 3)
        return end;
    const auto pad = 3 - size;
    std::memmove(begin + pad, begin, static_cast<std::size_t>(size));
    std::memset(begin, ' ', static_cast<std::size_t>(pad));
    return begin + 3;
}

void TwoDigits(char* out, int n) {
    out[0] = static_cast<char>('0' + n / 10);
    out[1] = static_cast<char>('0' + n % 10);
}
}  // namespace

char* AppendFixed1(char* out, float v) {
    if (std::isnan(v)) {
        return std::signbit(v) ? AppendText(out, "-nan", 4) : AppendText(out, "nan", 3);
    }
    if (std::isinf(v)) {
        return v < 0 ? AppendText(out, "-inf", 4) : AppendText(out, "inf", 3);
    }
    char* const begin = out;
    const double a = std::fabs(static_cast<double>(v));
    if (a < 1e14) {
        // Most values: a * 10 is exact for a widened float and far below 2^53,
        // so rounding it to an integer half-to-even is exactly printf's
        // rounding to one decimal, done without the general formatter.
        const double scaled = std::nearbyint(a * 10.0);
        const auto tenths = static_cast<std::int64_t>(scaled);
        if (std::signbit(v))
            *out++ = '-';
        out = std::to_chars(out, out + 20, tenths / 10).ptr;
        *out++ = '.';
        *out++ = static_cast<char>('0' + tenths % 10);
        return PadToThree(begin, out);
    }
    out = std::to_chars(out, out + kMaxFixedChars, static_cast<double>(v), std::chars_format::fixed,
                        1)
              .ptr;
    return PadToThree(begin, out);
}

char* AppendInt(char* out, std::int32_t n) {
    return std::to_chars(out, out + 12, n).ptr;
}

char* AppendInt3(char* out, std::int32_t n) {
    char* const begin = out;
    return PadToThree(begin, AppendInt(out, n));
}

StampCells StampCellsOf(std::int64_t timeStamp) {
    StampCells cells;
    std::tm t{};
    if (!LocalTimeOf(timeStamp, t)) {
        std::memcpy(cells.date, kDatePlaceholder, sizeof cells.date);
        std::memcpy(cells.time, kTimePlaceholder, sizeof cells.time);
        return cells;
    }
    const int year = t.tm_year + 1900;
    TwoDigits(cells.date, year / 100);
    TwoDigits(cells.date + 2, year % 100);
    cells.date[4] = '/';
    TwoDigits(cells.date + 5, t.tm_mon + 1);
    cells.date[7] = '/';
    TwoDigits(cells.date + 8, t.tm_mday);
    TwoDigits(cells.time, t.tm_hour);
    cells.time[2] = ':';
    TwoDigits(cells.time + 3, t.tm_min);
    cells.time[5] = ':';
    TwoDigits(cells.time + 6, t.tm_sec);
    return cells;
}

FileResult CsvFileResult(const FileResult& result, const QString& path) {
    if (result.ok)
        return {};
    if (!result.opened)
        return FileResult::NotOpened(QString::fromUtf8("ファイルを開けません: %1").arg(path));
    return FileResult::Failed(QString::fromUtf8("ファイルの書き込みに失敗しました: %1").arg(path));
}
