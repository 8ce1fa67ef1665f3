#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include <QFile>
#include <QString>

#include "data/FileResult.h"

// The one way a whole file is saved (documents, HDF5 and CSV exports, sensor
// information, logged records). A regular file (or a new one) is written to a
// temporary file beside it, which goes to the disk and then replaces it only
// when every byte is written; a failed save leaves the previous file as it was
// and no temporary behind. The previous file's permissions are kept. Devices
// and other targets that are not regular files ("-" made /dev/stdout,
// /dev/null) are written directly.
//
// A library that creates its file by name (HDF5) asks for ByName: the writer
// makes the temporary, the library writes writePath(), and Finish() replaces
// the target with it once the library has closed it.
class WholeFileWriter {
  public:
    enum class Mode { Stream, ByName };
    explicit WholeFileWriter(const QString& path, Mode mode = Mode::Stream);
    // A writer that was not finished is discarded: the target stays as it was.
    ~WholeFileWriter();
    WholeFileWriter(const WholeFileWriter&) = delete;
    WholeFileWriter& operator=(const WholeFileWriter&) = delete;

    bool isOpen() const { return open_; }
    // The name the bytes go to: the temporary file, or the target itself.
    QString writePath() const { return writePath_; }

    // Queues bytes; false once any write has failed (later bytes are dropped).
    bool Write(const void* data, std::size_t size);
    bool Write(std::string_view text) { return Write(text.data(), text.size()); }
    template <typename T>
    bool Put(const T& value) {
        return Write(&value, sizeof value);
    }
    // Writes line + "\r\n", whatever the platform. After a failed write further
    // lines are skipped.
    void WriteLine(std::string_view line) {
        if (Write(line))
            Write("\r\n", 2);
    }
    // A failure the caller met on its own (e.g. the library writing by name):
    // Finish() then removes the temporary and reports a failed write.
    void Fail() { ok_ = false; }

    // Writes what is queued; a replaced file goes to the disk and then takes
    // the target's place. The result has no message: each file says its own.
    FileResult Finish();

  private:
    bool Flush();
    void Discard();

    QString target_;
    QString writePath_;
    QFile file_;
    bool replacing_ = false;  // writing a temporary beside the target
    bool byName_ = false;
    std::vector<char> buffer_;
    bool open_ = false;
    bool finished_ = false;
    bool ok_ = true;
};

// The texts of the logged-record and sensor-information files' results.
QString TextFileError(const FileResult& result, const QString& path);
