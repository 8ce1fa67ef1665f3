#pragma once

#include <optional>

#include <QString>

#include "data/MeasurementDataSet.h"

// A whole data set written by the output's name, as convert and recover write
// it: the whole-data-set CSV (OUT ending in .csv, or "-" for standard output),
// a document file (.vltd) or an HDF5 file (.h5).
enum class DataSetOutput { Csv, Document, Hdf5 };

// What out's name asks for; nothing, with the message in error, for a name
// that asks for none of them.
std::optional<DataSetOutput> DataSetOutputOf(const QString& out, QString& error);

// Writes data into out; empty when it was written, else the message (naming
// out). Devices of different grids do not fit a document file: refused with the
// reason, nothing written.
QString WriteDataSetOutput(const MeasurementDataSet& data, const QString& out, DataSetOutput kind);
