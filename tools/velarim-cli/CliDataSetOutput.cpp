#include "CliDataSetOutput.h"

#include "CliCommand.h"
#include "CliStdout.h"
#include "export/DataSetFormats.h"

namespace {
bool IsDataSetCsv(const DataSetFormat& format) {
    return QLatin1String(format.id) == QLatin1String("csv");
}
}  // namespace

const DataSetFormat* DataSetOutputOf(const QString& out, QString& error) {
    const DataSetFormat* format =
        IsStdout(out) ? FormatForName(QStringLiteral(".csv")) : FormatForName(out);
    if (!format) {
        error = CliText(QT_TRANSLATE_NOOP("velarim-cli",
                                          "%1: 出力ファイル名の末尾は %2 のいずれかにしてください"))
                    .arg(out, WritableExtensions(CliText(QT_TRANSLATE_NOOP("velarim-cli", "、"))));
    }
    return format;
}

QString WriteDataSetOutput(const MeasurementDataSet& data, const QString& out,
                           const DataSetFormat& format) {
    const FileResult written =
        IsDataSetCsv(format) ? ExportDataSetCsvOrStdout(data, out) : format.write(out, data);
    if (written.ok)
        return QString();
    // The CSV files' messages name the file already; the document's do not.
    return written.message.contains(out) ? written.message
                                         : QString("%1: %2").arg(out, written.message);
}
