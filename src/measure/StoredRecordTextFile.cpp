#include "measure/StoredRecordTextFile.h"

#include <QFile>

TextFileWriter::TextFileWriter(const QString& path) : file_(std::make_unique<QFile>(path)) {
    if (!file_->open(QIODevice::WriteOnly | QIODevice::Truncate))
        file_.reset();
}

TextFileWriter::~TextFileWriter() = default;

bool TextFileWriter::isOpen() const {
    return file_ != nullptr;
}

void TextFileWriter::writeLine(std::string_view line) {
    if (!file_ || failed_)
        return;
    const auto size = static_cast<qint64>(line.size());
    if (file_->write(line.data(), size) != size || file_->write("\r\n", 2) != 2)
        failed_ = true;
}

TextFileResult TextFileWriter::finish() {
    if (!file_)
        return TextFileResult::OpenFailed;
    if (!file_->flush())
        failed_ = true;
    file_->close();
    if (file_->error() != QFileDevice::NoError)
        failed_ = true;
    file_.reset();
    return failed_ ? TextFileResult::WriteFailed : TextFileResult::Written;
}

QString TextFileError(TextFileResult result, const QString& path) {
    switch (result) {
        case TextFileResult::OpenFailed:
            return QString("cannot write the file %1").arg(path);
        case TextFileResult::WriteFailed:
            return QString("writing the file %1 failed; the file is incomplete").arg(path);
        case TextFileResult::Written:
            break;
    }
    return {};
}
