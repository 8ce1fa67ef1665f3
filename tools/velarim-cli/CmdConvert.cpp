// velarim-cli convert IN OUT: a file of any readable format (told apart by
// their signatures: a document file or an HDF5 file) into the format OUT's
// extension names: the whole-data-set CSV (.csv, or "-" for standard output),
// the CSV of one row per record (.rows.csv), a document file (.vltd) or an
// HDF5 file (.h5). Devices of different grids do not fit a document file:
// that conversion is refused with the reason.

#include "CliCommand.h"
#include "CliDataSetOutput.h"
#include "export/DataSetFormats.h"

namespace {
int Convert(CliContext& context) {
    if (context.args.size() != 2) {
        return Fail(CliText(QT_TRANSLATE_NOOP("velarim-cli",
                                              "convert にはファイル名を二つ指定してください: "
                                              "IN.vltd|IN.h5 OUT.csv|OUT.vltd|OUT.h5")));
    }
    const QString in = context.args.at(0);
    const QString out = context.args.at(1);
    QString error;
    const DataSetFormat* format = DataSetOutputOf(out, error);
    if (!format)
        return Fail(error);
    MeasurementDataSet data;
    const FileResult read = ReadDataSetFile(in, data);
    if (!read.ok)
        return Fail(QString("%1: %2").arg(in, read.message));
    const QString failed = WriteDataSetOutput(data, out, *format);
    return failed.isEmpty() ? 0 : Fail(failed);
}

CliCommandRegistrar reg("convert", "convert IN.vltd|IN.h5 OUT.csv|OUT.rows.csv|OUT.vltd|OUT.h5|-",
                        Convert);
}  // namespace
