#pragma once

#include <QString>

#include "data/FileResult.h"
#include "data/MeasurementDataSet.h"

// The spectrum CSV files: whole data set column-wise (one column per device
// and record, one row per wavelength), or one record per line appended to a
// file. Lines end with CR LF; every cell but the title carries its comma.
// The wavelengths are those of all devices' grids together, ascending; a
// device without a point at one of them has an empty cell there.

inline constexpr char kCsvTitle[] = "Velarim Spectrum data( TRX Model)";

// Writes (creating or replacing, through WholeFileWriter) path with the whole
// data set; the message when !ok names the file.
FileResult ExportDataSetCsv(const MeasurementDataSet& data, const QString& path);

// Appends record r to path as one line, after the three header lines when
// appendFlag is 0. An r that names no record writes nothing, not even the file.
FileResult AppendRecordCsv(const QString& path, const MeasurementDataSet& data, int r,
                           int appendFlag);
