#pragma once

#include <cstddef>

#include <QFile>
#include <QString>

#include "data/FileResult.h"

// Lines appended to the end of a growing CSV file (a plan's or --append-csv
// file: one record each time). Not a whole-file write: the file is added to in
// place, all or nothing: what a failed append wrote is cut off again, so the
// file never holds a broken line.
class CsvAppend {
  public:
    explicit CsvAppend(const QString& path);

    bool isOpen() const { return open_; }
    bool Write(const char* data, std::size_t size);
    // Flushes and closes; a failed append is cut back. The result has no message.
    FileResult Finish();

  private:
    QFile file_;
    bool open_ = false;
    bool ok_ = true;
    qint64 start_ = 0;  // the file's length before this append
};
