#pragma once

#include <QString>

#include "data/DataSetFormat.h"
#include "data/MeasurementDataSet.h"

// A whole data set written by the output's name, as convert and recover write
// it: the format whose extension the name ends in (the longest one wins, so
// OUT.rows.csv is the CSV of one row per record and OUT.csv the whole-data-set
// CSV), or "-": the whole-data-set CSV on standard output.

// The format out's name asks for; null, with the message in error, for a name
// that asks for none of them.
const DataSetFormat* DataSetOutputOf(const QString& out, QString& error);

// Writes data into out; empty when it was written, else the message (naming
// out). Devices of different grids do not fit a document file: refused with the
// reason, nothing written.
QString WriteDataSetOutput(const MeasurementDataSet& data, const QString& out,
                           const DataSetFormat& format);
