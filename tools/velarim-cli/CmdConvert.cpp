// velarim-cli convert IN.vltd OUT: a document file into the whole-data-set CSV
// (OUT ending in .csv) or into a document file written anew (OUT ending in .vltd).

#include "CliCommand.h"
#include "export/DataSetCsv.h"
#include "measure/DocumentFile.h"

namespace {
int Convert(CliContext& context) {
    if (context.args.size() != 2) {
        return Fail("convert takes two file names: IN.vltd OUT.csv|OUT.vltd");
    }
    const QString in = context.args.at(0);
    const QString out = context.args.at(1);
    const bool toCsv = out.endsWith(".csv", Qt::CaseInsensitive);
    const bool toDocument = out.endsWith(".vltd", Qt::CaseInsensitive);
    if (!toCsv && !toDocument) {
        return Fail(QString("%1: the output name must end in .csv or .vltd").arg(out));
    }
    MeasurementDataSet data;
    const DocumentResult read = ReadDocumentFile(in, data);
    if (!read.ok)
        return Fail(QString("%1: %2").arg(in, read.message));
    if (toCsv) {
        const CsvResult written = ExportDataSetCsv(data, out);
        if (!written.ok)
            return Fail(written.message);
    } else {
        const DocumentResult written = WriteDocumentFile(out, data);
        if (!written.ok)
            return Fail(QString("%1: %2").arg(out, written.message));
    }
    return 0;
}

CliCommandRegistrar reg("convert", "convert IN.vltd OUT.csv|OUT.vltd", Convert);
}  // namespace
