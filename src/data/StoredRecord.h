#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "device/CommandTable.h"

// The uploaded records that fit the host's store.
inline constexpr int MAX_STORED_RECORDS = 10000;

// One record logged by the LX model, as the device sends it (2096 bytes):
//   0     511 float32  spectrum on the 1-nm grid of the sensor profile
//   2044  int32        shown beside the record number in the upload list
//   2068  float32      temperature
//   2072  float32      voltage
//   2076  int32        record number, counted from 0
// The other bytes are kept but not interpreted.
struct StoredRecord {
    std::array<std::uint8_t, STORED_RECORD_BYTES> bytes{};

    float spectrum(int i) const;  // i in 0..510
    std::int32_t aux() const;
    float temperature() const;
    float voltage() const;
    std::int32_t recordNumber() const;
};

// Upload list line: "%d %5d %3.1f %3.2f" with record number + 1, aux,
// temperature and voltage.
std::string StoredRecordListLine(const StoredRecord& record);

// Header of the stored-data CSV: "no,temperature, voltage," then "%d," for
// each wavelength firstWavelength + i, i = 0..pointCount-1.
std::string StoredRecordCsvHeader(int pointCount, int firstWavelength);
// One record line: "%d,%3.1f,%3.2f," with record number + 1, temperature and
// voltage, then "%3.1f," per spectrum point.
std::string StoredRecordCsvLine(const StoredRecord& record, int pointCount);
