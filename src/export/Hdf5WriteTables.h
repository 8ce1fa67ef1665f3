#pragma once

#include <QByteArray>
#include <QString>

#include "data/MeasurementDataSet.h"
#include "export/Hdf5Handles.h"
#include "export/Hdf5RecordTables.h"

// The HDF5 file's parts besides /spectra, written by Hdf5Write.cpp's writer.

// A variable-length UTF-8 string type; invalid when it could not be made.
H5Handle Utf8StringType();
bool WriteTextAttribute(hid_t owner, const char* name, const QByteArray& text);

// The root attributes: format version, created_by, counts, grid, reference.
bool WriteRootAttributes(hid_t file, const MeasurementDataSet& data, const QString& createdBy);
// /wavelength_nm, /time, /temperature_C, /exposure_us and /reserved, the
// tables as taken from the entries.
bool WriteRecordTables(hid_t file, const MeasurementDataSet& data, const RecordTables& tables);
// /devices/serial and /devices/sensor_model.
bool WriteTexts(hid_t file, const MeasurementDataSet& data);
