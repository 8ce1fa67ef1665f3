#include "export/CsvSink.h"

#include <cstring>

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {
constexpr std::size_t kBlockBytes = std::size_t{4} << 20;
}

CsvSink::CsvSink(const QString& path, Mode mode) {
    const QFileInfo target(path);
    replacing_ = mode == Mode::Truncate && (!target.exists() || target.isFile());
    QIODevice::OpenMode flags = QIODevice::WriteOnly;
    if (replacing_) {
        auto file = std::make_unique<QSaveFile>(path);
        // A folder the user may not create files in, with a file they may
        // write: write that file directly, as a plain save would.
        file->setDirectWriteFallback(true);
        file_ = std::move(file);
    } else {
        file_ = std::make_unique<QFile>(path);
        flags |= QIODevice::Unbuffered |
                 (mode == Mode::Append ? QIODevice::Append : QIODevice::Truncate);
    }
    open_ = file_->open(flags);
    if (open_)
        buffer_.reserve(kBlockBytes);
}

bool CsvSink::Flush() {
    if (!buffer_.empty() && ok_) {
        const auto size = static_cast<qint64>(buffer_.size());
        ok_ = file_->write(buffer_.data(), size) == size;
    }
    buffer_.clear();
    return ok_;
}

bool CsvSink::Write(const char* data, std::size_t size) {
    if (!open_ || !ok_)
        return false;
    if (buffer_.size() + size > kBlockBytes && !Flush())
        return false;
    if (size >= kBlockBytes) {
        ok_ = file_->write(data, static_cast<qint64>(size)) == static_cast<qint64>(size);
        return ok_;
    }
    buffer_.insert(buffer_.end(), data, data + size);
    return true;
}

bool CsvSink::Finish() {
    if (!open_)
        return false;
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
    open_ = false;
    return ok_;
}
