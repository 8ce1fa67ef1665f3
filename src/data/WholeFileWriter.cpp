#include "data/WholeFileWriter.h"

#include <QCoreApplication>
#include <QFileInfo>

#include "data/DurableWrite.h"

namespace {
constexpr std::size_t kBlockBytes = std::size_t{4} << 20;
constexpr int kNameAttempts = 100;
}  // namespace

WholeFileWriter::WholeFileWriter(const QString& path, Mode mode)
    : target_(path), byName_(mode == Mode::ByName) {
    const QFileInfo target(path);
    replacing_ = !target.exists() || target.isFile();
    // A link keeps pointing at the file it names: that file is the one replaced.
    if (replacing_ && target.isSymLink() && target.exists())
        target_ = target.canonicalFilePath();
    if (!replacing_) {
        writePath_ = path;
        if (byName_) {
            open_ = true;  // the library opens the device itself
            return;
        }
        file_.setFileName(path);
        open_ = file_.open(QIODevice::WriteOnly | QIODevice::Unbuffered);  // nothing to truncate
        return;
    }
    // No direct-write fallback: a folder where no temporary can be made fails
    // the save rather than truncating the previous file first.
    const QString stem = target_ + ".~" + QString::number(QCoreApplication::applicationPid());
    for (int attempt = 0; attempt < kNameAttempts && !open_; ++attempt) {
        file_.setFileName(stem + "-" + QString::number(attempt));
        open_ = file_.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered);
        if (!open_ && file_.error() != QFileDevice::OpenError)
            break;
        if (!open_ && !QFileInfo::exists(file_.fileName()))
            break;  // not a name taken: the folder refuses new files
    }
    if (!open_)
        return;
    writePath_ = file_.fileName();
    if (target.exists())
        file_.setPermissions(QFile::permissions(target_));
    if (byName_)
        file_.close();  // the library creates it again under this name
}

WholeFileWriter::~WholeFileWriter() {
    if (open_ && !finished_)
        Discard();
}

void WholeFileWriter::Discard() {
    if (file_.isOpen())
        file_.close();
    if (replacing_)
        QFile::remove(writePath_);
}

bool WholeFileWriter::Flush() {
    if (!buffer_.empty() && ok_) {
        const auto size = static_cast<qint64>(buffer_.size());
        ok_ = file_.write(buffer_.data(), size) == size;
    }
    buffer_.clear();
    return ok_;
}

bool WholeFileWriter::Write(const void* data, std::size_t size) {
    if (!open_ || !ok_ || finished_ || byName_)
        return false;
    if (buffer_.size() + size > kBlockBytes && !Flush())
        return false;
    const char* bytes = static_cast<const char*>(data);
    if (size >= kBlockBytes) {
        ok_ = file_.write(bytes, static_cast<qint64>(size)) == static_cast<qint64>(size);
        return ok_;
    }
    buffer_.insert(buffer_.end(), bytes, bytes + size);
    return true;
}

FileResult WholeFileWriter::Finish() {
    if (!open_)
        return {false, false, {}};
    if (finished_)
        return {ok_, true, {}};
    finished_ = true;
    if (!byName_)
        Flush();
    if (!replacing_) {
        if (!byName_) {
            if (ok_ && !file_.flush())
                ok_ = false;
            file_.close();
            if (file_.error() != QFileDevice::NoError)
                ok_ = false;
        }
        return {ok_, true, {}};
    }
    // Its data on the disk first, so that a power cut after the rename never
    // leaves the target holding a file whose blocks never arrived.
    if (ok_) {
        if (byName_)
            ok_ = FlushFileToDisk(writePath_);
        else
            ok_ = FlushFileToDisk(file_);
    }
    if (file_.isOpen())
        file_.close();
    if (ok_ && file_.error() != QFileDevice::NoError)
        ok_ = false;
    if (ok_)
        ok_ = ReplaceFile(writePath_, target_);
    if (!ok_)
        QFile::remove(writePath_);
    return {ok_, true, {}};
}

QString TextFileError(const FileResult& result, const QString& path) {
    if (result.ok)
        return {};
    if (!result.opened)
        return QString("cannot write the file %1").arg(path);
    return QString("writing the file %1 failed").arg(path);
}
