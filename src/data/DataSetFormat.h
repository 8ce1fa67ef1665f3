#pragma once

#include <QString>
#include <QStringList>

#include "data/FileResult.h"
#include "data/MeasurementDataSet.h"

// One file format of the whole data set, as the File menu, the open-any-file
// dispatch and velarim-cli convert see it. Each format defines its entry in
// its own file; export/DataSetFormats.cpp lists them.
struct DataSetFormat {
    const char* id;
    // Endings of a name in this format, lower case with the dot (".rows.csv").
    QStringList extensions;
    // The file dialog's filter: caption (QT_TRANSLATE_NOOP "DataSetFormat")
    // and patterns, "HDF5 (*.h5)".
    const char* filterCaption;
    QString dialogPatterns;
    // The File menu's export entry (QT_TRANSLATE_NOOP "CMainFrame") and its
    // command id; none for the document, which File > Save writes.
    const char* exportCaption;
    int exportCommand;
    // Whether the file looks like this format (a signature); none for a format
    // without one, which is read when no other format claims the file.
    bool (*probe)(const QString& path);
    // Absent for write-only formats. On failure data is left as it was.
    FileResult (*read)(const QString& path, MeasurementDataSet& data);
    FileResult (*write)(const QString& path, const MeasurementDataSet& data);
};
