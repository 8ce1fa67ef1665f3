// velarim-cli trend FILE.vltd|FILE.h5 [--nm W]... [--band A-B]... [--peak] [--xy] [--uv] [--cct]
// [--temperature] [--csv OUT]: series across a document's (or an HDF5 file's) records as the
// trend CSV, on stdout or into OUT, the series in the order given. Each device's series keep to
// its own grid.

#include <cstdio>
#include <vector>

#include <QRegularExpression>

#include "CliCommand.h"
#include "CliStdout.h"
#include "data/DocumentFile.h"
#include "data/TrendSeries.h"
#include "export/DataSetFormats.h"
#include "export/Hdf5File.h"
#include "export/TrendCsv.h"

namespace {

bool ParseNm(const QString& text, int& nm) {
    bool ok = false;
    nm = text.toInt(&ok);
    return ok;
}

// The options in the order given; false with a message for a bad one.
bool ParseTrendArgs(const QStringList& args, QString& file, QString& csv,
                    std::vector<TrendRequest>& requests, QString& error) {
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        const auto value = [&](QString& out) {
            if (i + 1 >= args.size()) {
                error =
                    CliText(QT_TRANSLATE_NOOP("velarim-cli", "trend: %1 には値が必要です")).arg(a);
                return false;
            }
            out = args.at(++i);
            return true;
        };
        QString v;
        if (a == "--nm") {
            if (!value(v))
                return false;
            TrendRequest r{TrendKind::Intensity};
            if (!ParseNm(v, r.from)) {
                error =
                    CliText(QT_TRANSLATE_NOOP(
                                "velarim-cli",
                                "trend: --nm には波長を nm 単位の整数で指定してください: \"%1\""))
                        .arg(v);
                return false;
            }
            requests.push_back(r);
        } else if (a == "--band") {
            if (!value(v))
                return false;
            static const QRegularExpression band("^(-?\\d+)-(-?\\d+)$");
            const auto m = band.match(v);
            TrendRequest r{TrendKind::BandMean};
            if (!m.hasMatch() || !ParseNm(m.captured(1), r.from) || !ParseNm(m.captured(2), r.to)) {
                error =
                    CliText(
                        QT_TRANSLATE_NOOP(
                            "velarim-cli",
                            "trend: --band には A-B を nm 単位の整数で指定してください: \"%1\""))
                        .arg(v);
                return false;
            }
            requests.push_back(r);
        } else if (a == "--peak") {
            requests.push_back({TrendKind::Peak});
        } else if (a == "--xy") {
            requests.push_back({TrendKind::Chromaticity});
        } else if (a == "--uv") {
            requests.push_back({TrendKind::Uv});
        } else if (a == "--cct") {
            requests.push_back({TrendKind::Cct});
        } else if (a == "--temperature") {
            requests.push_back({TrendKind::Temperature});
        } else if (a == "--csv") {
            if (!value(csv))
                return false;
        } else if (a.startsWith("-")) {
            error =
                CliText(QT_TRANSLATE_NOOP("velarim-cli", "trend: 不明なオプション \"%1\"")).arg(a);
            return false;
        } else if (file.isEmpty()) {
            file = a;
        } else {
            error = UnexpectedArgument("trend", a);
            return false;
        }
    }
    if (file.isEmpty())
        error = CliText(
            QT_TRANSLATE_NOOP("velarim-cli", "trend: 文書ファイル (FILE.vltd) を指定してください"));
    else if (requests.empty())
        error = CliText(QT_TRANSLATE_NOOP("velarim-cli",
                                          "trend: 系列を一つ以上指定してください (--nm, --band, "
                                          "--peak, --xy, --uv, --cct, --temperature)"));
    return error.isEmpty();
}

int Trend(CliContext& context) {
    QString file, csv, error;
    std::vector<TrendRequest> requests;
    if (!ParseTrendArgs(context.args, file, csv, requests, error))
        return Fail(error);
    MeasurementDataSet data;
    // A data set of devices with different grids can only come from an HDF5 file.
    const FileResult read = ReadDataSetFile(file, data);
    if (!read.ok)
        return Fail(QString("%1: %2").arg(file, read.message));
    TrendTable table;
    if (!ComputeTrend(data, requests, {}, table, error))
        return Fail(QString("%1: %2").arg(file, error));
    if (!csv.isEmpty()) {
        const FileResult written = ExportTrendCsv(table, csv);
        return written.ok ? 0 : Fail(written.message);
    }
    bool ok = true;
    WriteTrendCsv(table, [&ok](const char* text, std::size_t size) {
        ok = ok && std::fwrite(text, 1, size, stdout) == size;
    });
    if (std::fflush(stdout) != 0 || !ok)
        return Fail("trend: " + StdoutFailedText());
    return 0;
}

CliCommandRegistrar reg(
    "trend",
    "trend FILE.vltd|FILE.h5 [--nm W]... [--band A-B]... [--peak] [--xy] [--uv] [--cct] "
    "[--temperature] [--csv OUT]",
    Trend);
}  // namespace
