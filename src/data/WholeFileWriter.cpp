#include "data/WholeFileWriter.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {
constexpr std::size_t kBlockBytes = std::size_t{4} << 20;
}

WholeFileWriter::WholeFileWriter(const QString& path) {
    const QFileInfo target(path);
    replacing_ = !target.exists() || target.isFile();
    if (replacing_) {
        // No direct-write fallback: a folder where no temporary can be made
        // fails the save rather than truncating the previous file first.
        file_ = std::make_unique<QSaveFile>(path);
        open_ = file_->open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    } else {
        file_ = std::make_unique<QFile>(path);
        open_ = file_->open(QIODevice::WriteOnly | QIODevice::Unbuffered);  // nothing to truncate
    }
}

// A QSaveFile that was never committed removes its temporary when destroyed.
WholeFileWriter::~WholeFileWriter() = default;

bool WholeFileWriter::Flush() {
    if (!buffer_.empty() && ok_) {
        const auto size = static_cast<qint64>(buffer_.size());
        ok_ = file_->write(buffer_.data(), size) == size;
    }
    buffer_.clear();
    return ok_;
}

bool WholeFileWriter::Write(const void* data, std::size_t size) {
    if (!open_ || !ok_ || finished_)
        return false;
    if (buffer_.size() + size > kBlockBytes && !Flush())
        return false;
    const char* bytes = static_cast<const char*>(data);
    if (size >= kBlockBytes) {
        ok_ = file_->write(bytes, static_cast<qint64>(size)) == static_cast<qint64>(size);
        return ok_;
    }
    buffer_.insert(buffer_.end(), bytes, bytes + size);
    return true;
}

FileSaveResult WholeFileWriter::Finish() {
    if (!open_)
        return FileSaveResult::OpenFailed;
    if (finished_)
        return ok_ ? FileSaveResult::Written : FileSaveResult::WriteFailed;
    finished_ = true;
    Flush();
    if (replacing_) {
        auto* file = static_cast<QSaveFile*>(file_.get());
        if (!ok_)
            file->cancelWriting();  // commit() then only removes the temporary file
        const bool committed = file->commit();
        ok_ = ok_ && committed;
    } else {
        if (ok_ && !file_->flush())
            ok_ = false;
        file_->close();
        if (file_->error() != QFileDevice::NoError)
            ok_ = false;
    }
    return ok_ ? FileSaveResult::Written : FileSaveResult::WriteFailed;
}
