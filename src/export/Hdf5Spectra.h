#pragma once

#include <cstdint>
#include <vector>

#include <hdf5.h>

#include "measure/MeasurementDataSet.h"

// The record tables as read from the file. They are put into the entries by
// whoever unpacks the entries' spectra, so that each record's memory is first
// touched (and faulted in) by the threads that unpack it.
struct RecordTables {
    std::vector<std::int64_t> time;      // [records]
    std::vector<float> temperature;      // [devices][records]
    std::vector<std::int32_t> exposure;  // [devices][records]
    std::vector<std::int32_t> reserved;  // [devices][records]

    // The time stamp of record r and the values of entry (d, r).
    void Fill(MeasurementDataSet& data, int d, int r) const {
        const std::size_t at = static_cast<std::size_t>(d) * time.size() + r;
        data.record(r).timeStamp = time[static_cast<std::size_t>(r)];
        auto& e = data.entry(d, r);
        e.temperature = temperature[at];
        e.exposure = exposure[at];
        e.reserved = reserved[at];
    }
    // Every record and entry, for a data set whose spectra are filled elsewhere.
    void FillAll(MeasurementDataSet& data) const;
};

// Reads /spectra of an open file into data, whose counts are already set and
// whose records are allocated, and puts the tables into the same entries.
// False when /spectra is missing, not float32 [devices][records][points] or
// cannot be read.
bool ReadSpectra(hid_t file, MeasurementDataSet& data, const RecordTables& tables);
