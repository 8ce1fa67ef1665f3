#pragma once

#include <QByteArray>
#include <QString>

#include "data/MeasurementDataSet.h"
#include "export/Hdf5Handles.h"
#include "export/Hdf5RecordTables.h"

// The HDF5 file's parts besides /spectra, written by Hdf5Write.cpp's writer.

// The grid a file is written with: one for all devices (format 1), or each
// device's own (format 2) when the grids of the devices differ; points is P,
// the largest point count, and first the smallest first wavelength.
struct FileGrid {
    bool perDevice = false;
    std::int32_t points = 0;
    std::int32_t first = 0;
};
FileGrid FileGridOf(const MeasurementDataSet& data);

// A variable-length UTF-8 string type; invalid when it could not be made.
H5Handle Utf8StringType();
bool WriteTextAttribute(hid_t owner, const char* name, const QByteArray& text);

// The root attributes: format version, created_by, counts, grid, reference.
bool WriteRootAttributes(hid_t file, const MeasurementDataSet& data, const FileGrid& grid,
                         const QString& createdBy);
// /wavelength_nm, /time, /temperature_C, /exposure_us and /reserved, the
// tables as taken from the entries.
bool WriteRecordTables(hid_t file, const MeasurementDataSet& data, const FileGrid& grid,
                       const RecordTables& tables);
// /devices/serial and /devices/sensor_model; with per-device grids also
// /devices/first_wavelength_nm and /devices/point_count.
bool WriteTexts(hid_t file, const MeasurementDataSet& data, const FileGrid& grid);
