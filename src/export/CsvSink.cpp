#include "export/CsvSink.h"

#include <cstring>

namespace {
constexpr std::size_t kBlockBytes = std::size_t{4} << 20;
}

CsvSink::CsvSink(const QString& path, Mode mode) : file_(path) {
    const QIODevice::OpenMode flags =
        QIODevice::WriteOnly | QIODevice::Unbuffered |
        (mode == Mode::Append ? QIODevice::Append : QIODevice::Truncate);
    open_ = file_.open(flags);
    if (open_)
        buffer_.reserve(kBlockBytes);
}

bool CsvSink::Flush() {
    if (!buffer_.empty() && ok_) {
        const auto size = static_cast<qint64>(buffer_.size());
        ok_ = file_.write(buffer_.data(), size) == size;
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
        ok_ = file_.write(data, static_cast<qint64>(size)) == static_cast<qint64>(size);
        return ok_;
    }
    buffer_.insert(buffer_.end(), data, data + size);
    return true;
}

bool CsvSink::Finish() {
    if (!open_)
        return false;
    Flush();
    if (ok_ && !file_.flush())
        ok_ = false;
    file_.close();
    if (file_.error() != QFileDevice::NoError)
        ok_ = false;
    open_ = false;
    return ok_;
}
