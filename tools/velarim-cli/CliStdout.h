#pragma once

#include <QString>

#include "CliCommand.h"
#include "export/DataSetCsv.h"
#include "viewlogic/MainViewLogic.h"

// "-" as an output file name: standard output. The export library writes
// files (whole, or appended at the file's end); for standard output, which may
// be a pipe, the text goes through a file of its own and is then copied out.
inline bool IsStdout(const QString& path) {
    return path == QLatin1String("-");
}

// "writing to standard output failed", in the language of the messages.
QString StdoutFailedText();

// The whole-data-set CSV into path, or onto standard output for "-".
FileResult ExportDataSetCsvOrStdout(const MeasurementDataSet& data, const QString& path);

// The view's record appender, with "-" appending each record's line (and the
// header block before the first) to standard output.
RecordCsvWriter RecordCsvWriterOrStdout();
