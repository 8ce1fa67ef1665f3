#pragma once

#include <string_view>

#include <QString>

#include "data/WholeFileWriter.h"

// A text file written line by line, each line ended with CR LF whatever the
// platform. It replaces the previous file only when complete (WholeFileWriter).
class TextFileWriter {
  public:
    explicit TextFileWriter(const QString& path) : file_(path) {}

    bool isOpen() const { return file_.isOpen(); }
    // Writes line + "\r\n". After a failed write further lines are skipped.
    void writeLine(std::string_view line) {
        if (file_.Write(line))
            file_.Write("\r\n", 2);
    }
    // Writes the file out and reports what happened to the whole of it.
    FileSaveResult finish() { return file_.Finish(); }

  private:
    WholeFileWriter file_;
};

// A one-line message naming the file, for a result other than Written.
QString TextFileError(FileSaveResult result, const QString& path);
