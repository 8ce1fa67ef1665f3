#pragma once

#include <memory>
#include <string_view>

#include <QString>

class QFile;

// How writing one of the dialogs' text files ended.
enum class TextFileResult {
    Written,     // every line is in the file
    OpenFailed,  // the file could not be created or truncated; nothing was written
    WriteFailed  // the file was opened but a write or the final flush failed (e.g. a full disk)
};

// A text file written line by line, each line ended with CR LF whatever the
// platform. Created or truncated when opened.
class TextFileWriter {
  public:
    explicit TextFileWriter(const QString& path);
    ~TextFileWriter();
    TextFileWriter(const TextFileWriter&) = delete;
    TextFileWriter& operator=(const TextFileWriter&) = delete;

    bool isOpen() const;
    // Writes line + "\r\n". After a failed write further lines are skipped.
    void writeLine(std::string_view line);
    // Flushes and closes; reports what happened to the whole file.
    TextFileResult finish();

  private:
    std::unique_ptr<QFile> file_;
    bool failed_ = false;
};

// A one-line message naming the file, for a result other than Written.
QString TextFileError(TextFileResult result, const QString& path);
