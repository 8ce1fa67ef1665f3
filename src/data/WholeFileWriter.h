#pragma once

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

#include <QString>

class QFileDevice;

// How saving a whole file ended. Every file the program saves (documents,
// CSV exports, sensor information, stored records) reports through this.
enum class FileSaveResult {
    Written,     // every byte is in the file
    OpenFailed,  // the file could not be created; nothing was written
    WriteFailed  // a write or the final flush failed (e.g. a full disk)
};

// Writes a whole file in large blocks. A regular file (or a new one) is
// written to a temporary file beside it that replaces it only when every byte
// is written, so a failed save leaves the previous file as it was and no
// temporary behind; the previous file's permissions are kept. Devices and
// other targets that are not regular files are written directly.
class WholeFileWriter {
  public:
    explicit WholeFileWriter(const QString& path);
    // A writer that was not finished is discarded: the target stays as it was.
    ~WholeFileWriter();
    WholeFileWriter(const WholeFileWriter&) = delete;
    WholeFileWriter& operator=(const WholeFileWriter&) = delete;

    bool isOpen() const { return open_; }
    // Queues bytes; false once any write has failed (later bytes are dropped).
    bool Write(const void* data, std::size_t size);
    bool Write(std::string_view text) { return Write(text.data(), text.size()); }
    template <typename T>
    bool Put(const T& value) {
        return Write(&value, sizeof value);
    }
    // Writes what is queued, closes and, for a replaced file, renames the
    // temporary over the target when everything was written.
    FileSaveResult Finish();

  private:
    bool Flush();

    std::unique_ptr<QFileDevice> file_;
    bool replacing_ = false;  // file_ is a QSaveFile
    std::vector<char> buffer_;
    bool open_ = false;
    bool finished_ = false;
    bool ok_ = true;
};
