// velarim-cli convert IN OUT: a document file or an HDF5 file (told apart by
// the HDF5 signature) into the whole-data-set CSV (OUT ending in .csv), a
// document file (.vltd) or an HDF5 file (.h5). Devices of different grids do
// not fit a document file: that conversion is refused with the reason.

#include "CliCommand.h"
#include "data/DocumentFile.h"
#include "export/DataSetCsv.h"
#include "export/Hdf5File.h"

namespace {
int Convert(CliContext& context) {
    if (context.args.size() != 2) {
        return Fail(CliText(QT_TRANSLATE_NOOP("velarim-cli",
                                              "convert にはファイル名を二つ指定してください: "
                                              "IN.vltd|IN.h5 OUT.csv|OUT.vltd|OUT.h5")));
    }
    const QString in = context.args.at(0);
    const QString out = context.args.at(1);
    const bool toCsv = out.endsWith(".csv", Qt::CaseInsensitive);
    const bool toDocument = out.endsWith(".vltd", Qt::CaseInsensitive);
    const bool toHdf5 = out.endsWith(".h5", Qt::CaseInsensitive);
    if (!toCsv && !toDocument && !toHdf5) {
        return Fail(
            CliText(QT_TRANSLATE_NOOP(
                        "velarim-cli",
                        "%1: 出力ファイル名の末尾は .csv、.vltd、.h5 のいずれかにしてください"))
                .arg(out));
    }
    MeasurementDataSet data;
    const DocumentResult read = ReadDataSetFile(in, data);
    if (!read.ok)
        return Fail(QString("%1: %2").arg(in, read.message));
    if (toCsv) {
        const CsvResult written = ExportDataSetCsv(data, out);
        if (!written.ok)
            return Fail(written.message);
        return 0;
    }
    const DocumentResult written =
        toDocument ? WriteDocumentFile(out, data)
                   : WriteHdf5File(out, data, QStringLiteral("VL_Tool " VL_VERSION));
    if (!written.ok)
        return Fail(QString("%1: %2").arg(out, written.message));
    return 0;
}

CliCommandRegistrar reg("convert", "convert IN.vltd|IN.h5 OUT.csv|OUT.vltd|OUT.h5", Convert);
}  // namespace
