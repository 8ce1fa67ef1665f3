#include "CliStdout.h"

#include <cstdio>

#include <QFile>
#include <QTemporaryDir>

namespace {
// Copies the file's bytes to standard output; false when that fails.
bool CopyToStdout(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    const bool written = std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout) ==
                         std::size_t(bytes.size());
    return std::fflush(stdout) == 0 && written;
}

FileResult StdoutFailed() {
    FileResult failed;
    failed.ok = false;
    failed.message = StdoutFailedText();
    return failed;
}

// Writes through `write(file)` into a file of its own, then to standard output.
template <class WriteFn>
FileResult ThroughFile(WriteFn write) {
    QTemporaryDir dir;
    if (!dir.isValid())
        return StdoutFailed();
    const QString path = dir.filePath(QStringLiteral("out.csv"));
    const FileResult written = write(path);
    if (!written.ok)
        return StdoutFailed();
    if (QFile::exists(path) && !CopyToStdout(path))
        return StdoutFailed();
    return written;
}
}  // namespace

QString StdoutFailedText() {
    return CliText(QT_TRANSLATE_NOOP("velarim-cli", "標準出力への書き込みに失敗しました"));
}

FileResult ExportDataSetCsvOrStdout(const MeasurementDataSet& data, const QString& path) {
    if (!IsStdout(path))
        return ExportDataSetCsv(data, path);
    return ThroughFile([&data](const QString& file) { return ExportDataSetCsv(data, file); });
}

RecordCsvWriter RecordCsvWriterOrStdout() {
    return [](const QString& path, const MeasurementDataSet& data, int r, int appendFlag) {
        const FileResult result = IsStdout(path) ? ThroughFile([&](const QString& file) {
            return AppendRecordCsv(file, data, r, appendFlag);
        })
                                                 : AppendRecordCsv(path, data, r, appendFlag);
        return result.ok ? QString() : result.message;
    };
}
