#pragma once

#include <cstddef>
#include <functional>

#include <QString>

#include "data/TrendSeries.h"
#include "export/DataSetCsv.h"

// The trend CSV: a header line "record,date,time," and the columns' names with
// the device's serial text ("nm450_S1,", "peak_nm_S1,"), then one line per
// record: its number from 1, local date and time, and the values (intensities,
// band means, peak heights, temperatures "%3.1f"; peak wavelengths "%d"; x, y,
// u', v' "%.4f"; CCT "%.0f"; "nan" where undefined). Every cell carries its comma;
// lines end with CR LF.

// Hands the text out in pieces, in order.
void WriteTrendCsv(const TrendTable& table,
                   const std::function<void(const char*, std::size_t)>& write);

// Writes (creating or replacing) path; a failed write leaves the previous file.
FileResult ExportTrendCsv(const TrendTable& table, const QString& path);
