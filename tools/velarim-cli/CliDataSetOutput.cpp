#include "CliDataSetOutput.h"

#include "CliCommand.h"
#include "CliStdout.h"
#include "data/DocumentFile.h"
#include "export/Hdf5File.h"

std::optional<DataSetOutput> DataSetOutputOf(const QString& out, QString& error) {
    if (IsStdout(out) || out.endsWith(".csv", Qt::CaseInsensitive))
        return DataSetOutput::Csv;
    if (out.endsWith(".vltd", Qt::CaseInsensitive))
        return DataSetOutput::Document;
    if (out.endsWith(".h5", Qt::CaseInsensitive))
        return DataSetOutput::Hdf5;
    error = CliText(QT_TRANSLATE_NOOP(
                        "velarim-cli",
                        "%1: 出力ファイル名の末尾は .csv、.vltd、.h5 のいずれかにしてください"))
                .arg(out);
    return std::nullopt;
}

QString WriteDataSetOutput(const MeasurementDataSet& data, const QString& out, DataSetOutput kind) {
    if (kind == DataSetOutput::Csv) {
        const CsvResult written = ExportDataSetCsvOrStdout(data, out);
        return written.ok ? QString() : written.message;
    }
    const DocumentResult written =
        kind == DataSetOutput::Document
            ? WriteDocumentFile(out, data)
            : WriteHdf5File(out, data, QStringLiteral("VL_Tool " VL_VERSION));
    return written.ok ? QString() : QString("%1: %2").arg(out, written.message);
}
