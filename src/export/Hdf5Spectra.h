#pragma once

#include <hdf5.h>

#include "data/MeasurementDataSet.h"
#include "export/Hdf5RecordTables.h"

// Reads /spectra of an open file into data, whose counts are already set and
// whose records are allocated, and puts the tables into the same entries.
// False when /spectra is missing, not float32 [devices][records][points] or
// cannot be read.
bool ReadSpectra(hid_t file, MeasurementDataSet& data, const RecordTables& tables);
