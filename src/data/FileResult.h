#pragma once

#include <QString>

// How reading or writing a file ended, for every file the program reads or
// writes (documents, HDF5, CSV, sensor information, logged records).
struct FileResult {
    bool ok = true;
    bool opened = true;  // false: the file could not be opened or created; nothing was written
    QString message;     // when !ok: what the user is told (the CSV and text files name the file)

    static FileResult NotOpened(QString text) { return {false, false, std::move(text)}; }
    static FileResult Failed(QString text) { return {false, true, std::move(text)}; }
};
