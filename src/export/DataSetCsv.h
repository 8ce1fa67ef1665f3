#pragma once

#include <QString>

#include "data/MeasurementDataSet.h"

// The spectrum CSV files: whole data set column-wise (one column per device
// and record, one row per wavelength), or one record per line appended to a
// file. Lines end with CR LF; every cell but the title carries its comma.
// The wavelengths are those of all devices' grids together, ascending; a
// device without a point at one of them has an empty cell there.

struct CsvResult {
    bool ok = true;
    bool opened = true;  // false: the file could not be opened (nothing written)
    QString message;     // names the file when !ok
};

inline constexpr char kCsvTitle[] = "Velarim Spectrum data( TRX Model)";

// Writes (creating or truncating) path with the whole data set.
CsvResult ExportDataSetCsv(const MeasurementDataSet& data, const QString& path);

// Appends record r to path as one line, after the three header lines when
// appendFlag is 0. An r that names no record writes nothing, not even the file.
CsvResult AppendRecordCsv(const QString& path, const MeasurementDataSet& data, int r,
                          int appendFlag);
