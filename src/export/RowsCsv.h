#pragma once

#include <QString>

#include "data/FileResult.h"
#include "data/MeasurementDataSet.h"

// The CSV of one row per record and device ("CSV (1 行 1 記録)", *.rows.csv):
// the header "record,date,time,serial,sensor_model,temperature_C,exposure_us,"
// and every wavelength of the devices' grids together, ascending; then, record
// by record and device by device in slot order, the record's number from 1,
// its local date and time, the device's serial and sensor-model texts, its
// temperature, its exposure (µs) and its value at each of those wavelengths,
// empty where its grid has no point there. Floats are the shortest texts that
// read back to the same float32, "nan" for NaN. Every cell carries its comma;
// lines end with CR LF.

// Writes (creating or replacing, through WholeFileWriter) path; the message
// when !ok names the file.
FileResult ExportRowsCsv(const MeasurementDataSet& data, const QString& path);
