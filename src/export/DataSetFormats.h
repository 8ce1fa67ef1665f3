#pragma once

#include <span>

#include <QString>

#include "data/DataSetFormat.h"

// Every data-set file format (see "Where to add a file format" in
// docs/architecture.md), in the File menu's order.
std::span<const DataSetFormat* const> DataSetFormats();

const DataSetFormat& DocumentFormat();

// The format that writes a file of this name: the longest matching extension
// wins (".rows.csv" over ".csv"); null for a name that none of them takes.
const DataSetFormat* FormatForName(const QString& name);

// Every writable format's extensions, for the message that refuses a name:
// ".vltd、.h5、.csv、.rows.csv" with separator "、".
QString WritableExtensions(const QString& separator);

// The readable format that claims the file: the first whose probe says so,
// else the one without a signature.
const DataSetFormat& FormatOfFile(const QString& path);

// Reads a file of any readable format into data (told apart by the probes);
// format, when given, says which one it was.
FileResult ReadDataSetFile(const QString& path, MeasurementDataSet& data,
                           const DataSetFormat** format = nullptr);

// "HDF5 (*.h5)", the caption translated.
QString FormatFilter(const DataSetFormat& format);

// The open dialog's filters: every readable pattern together, then each
// readable format's own, separated by ";;".
QString OpenFilters();
