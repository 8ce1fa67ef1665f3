#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>
#include <vector>

#include <QFile>
#include <QString>

#include "data/WholeFileWriter.h"

// A text file written in large blocks, with line ends written as CR LF by the
// caller. Remembers the first failed write so that it can be reported.
//
// A whole file (Truncate) goes through WholeFileWriter: the previous file
// stays as it was until every byte is written. Appended lines go straight to
// the end of the file, and are cut off again when they could not all be written.
class CsvSink {
  public:
    enum class Mode { Truncate, Append };
    CsvSink(const QString& path, Mode mode);

    bool isOpen() const { return open_; }
    bool Write(const char* data, std::size_t size);
    // Writes what is buffered and closes; false when any write failed.
    bool Finish();

  private:
    std::unique_ptr<WholeFileWriter> whole_;  // Truncate
    std::unique_ptr<QFile> append_;           // Append
    bool open_ = false;
    bool ok_ = true;
    qint64 appendStart_ = 0;  // the file's length before this append
};

// A growing line of cells; Room(n) gives space for at least n more bytes.
class LineText {
  public:
    char* Room(std::size_t n) {
        if (used_ + n > text_.size())
            text_.resize(std::max(text_.size() * 2, used_ + n));
        return text_.data() + used_;
    }
    void Done(char* end) { used_ = static_cast<std::size_t>(end - text_.data()); }
    void Append(const char* data, std::size_t size) {
        char* out = Room(size);
        std::copy(data, data + size, out);
        Done(out + size);
    }
    void Clear() { used_ = 0; }
    const char* data() const { return text_.data(); }
    std::size_t size() const { return used_; }

  private:
    std::vector<char> text_;
    std::size_t used_ = 0;
};
