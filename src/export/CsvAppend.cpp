#include "export/CsvAppend.h"

CsvAppend::CsvAppend(const QString& path) : file_(path) {
    open_ = file_.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered);
    start_ = open_ ? file_.size() : 0;
}

bool CsvAppend::Write(const char* data, std::size_t size) {
    if (!open_ || !ok_)
        return false;
    ok_ = file_.write(data, static_cast<qint64>(size)) == static_cast<qint64>(size);
    return ok_;
}

FileResult CsvAppend::Finish() {
    if (!open_)
        return {false, false, {}};
    open_ = false;
    if (ok_ && !file_.flush())
        ok_ = false;
    // The next append then starts a line of its own.
    if (!ok_)
        file_.resize(start_);
    file_.close();
    if (file_.error() != QFileDevice::NoError)
        ok_ = false;
    return {ok_, true, {}};
}
