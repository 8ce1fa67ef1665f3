#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "data/MeasurementDataSet.h"

// The values the file holds per record and entry besides the spectra, in
// its tables' order. They are moved between the tables and the entries by
// the threads that pack or unpack the entries' spectra, so that each entry is
// visited once, while its memory is at hand.
struct RecordTables {
    std::vector<std::int64_t> time;      // [records]
    std::vector<float> temperature;      // [devices][records]
    std::vector<std::int32_t> exposure;  // [devices][records]
    std::vector<std::int32_t> reserved;  // [devices][records]

    void Resize(std::size_t devices, std::size_t records) {
        time.resize(records);
        temperature.resize(devices * records);
        exposure.resize(devices * records);
        reserved.resize(devices * records);
    }
    // Entry (d, r), and record r's time stamp when d is 0 (each record once).
    void Take(const MeasurementDataSet& data, int d, int r) {
        const std::size_t at = Index(d, r);
        if (d == 0)
            time[static_cast<std::size_t>(r)] = data.record(r).timeStamp;
        const auto& e = data.entry(d, r);
        temperature[at] = e.temperature;
        exposure[at] = e.exposure;
        reserved[at] = e.reserved;
    }
    // The values of entry (d, r), and record r's time stamp when d is 0 (each
    // record once, so that threads unpacking other devices' entries of the
    // same record never write it too).
    void Fill(MeasurementDataSet& data, int d, int r) const {
        const std::size_t at = Index(d, r);
        if (d == 0)
            data.record(r).timeStamp = time[static_cast<std::size_t>(r)];
        auto& e = data.entry(d, r);
        e.temperature = temperature[at];
        e.exposure = exposure[at];
        e.reserved = reserved[at];
    }
    // Every record and entry, where no spectra are packed or unpacked.
    void TakeAll(const MeasurementDataSet& data) {
        for (int r = 0; r < data.recordCount; ++r) {
            time[static_cast<std::size_t>(r)] = data.record(r).timeStamp;
            for (int d = 0; d < data.deviceCount; ++d)
                Take(data, d, r);
        }
    }
    void FillAll(MeasurementDataSet& data) const {
        for (int r = 0; r < data.recordCount; ++r) {
            data.record(r).timeStamp = time[static_cast<std::size_t>(r)];
            for (int d = 0; d < data.deviceCount; ++d)
                Fill(data, d, r);
        }
    }

  private:
    std::size_t Index(int d, int r) const {
        return static_cast<std::size_t>(d) * time.size() + static_cast<std::size_t>(r);
    }
};
