#include "export/CsvSink.h"

CsvSink::CsvSink(const QString& path, Mode mode) {
    if (mode == Mode::Truncate) {
        whole_ = std::make_unique<WholeFileWriter>(path);
        open_ = whole_->isOpen();
    } else {
        // Append mode cannot replace the file: a plan's line is added in place.
        append_ = std::make_unique<QFile>(path);
        open_ = append_->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered);
        appendStart_ = open_ ? append_->size() : 0;
    }
}

bool CsvSink::Write(const char* data, std::size_t size) {
    if (!open_ || !ok_)
        return false;
    if (whole_)
        ok_ = whole_->Write(data, size);
    else
        ok_ = append_->write(data, static_cast<qint64>(size)) == static_cast<qint64>(size);
    return ok_;
}

bool CsvSink::Finish() {
    if (!open_)
        return false;
    open_ = false;
    if (whole_)
        return whole_->Finish() == FileSaveResult::Written && ok_;
    if (ok_ && !append_->flush())
        ok_ = false;
    // All or nothing: what a failed append wrote is cut off again, so the file
    // never holds a broken line (and the next append starts a line of its own).
    if (!ok_)
        append_->resize(appendStart_);
    append_->close();
    if (append_->error() != QFileDevice::NoError)
        ok_ = false;
    return ok_;
}
