#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "device/CommandTable.h"

// One record logged by the LX model, as the device sends it (2096 bytes):
//   0     511 float32  spectrum on the 1-nm grid of the sensor profile
//   2044  int32        shown beside the record number in the upload list
//   2068  float32      temperature
//   2072  float32      voltage
//   2076  int32        record number, counted from 0
// The other bytes are kept but not interpreted.
struct LoggedRecord {
    std::array<std::uint8_t, LOGGED_RECORD_BYTES> bytes{};

    float spectrum(int i) const;  // i in 0..510
    std::int32_t aux() const;
    float temperature() const;
    float voltage() const;
    std::int32_t recordNumber() const;
};

// Upload list line: "%d %5d %3.1f %3.2f" with record number + 1, aux,
// temperature and voltage.
std::string LoggedRecordListLine(const LoggedRecord& record);

// Header of the stored-data CSV: "no,temperature, voltage," then "%d," for
// each wavelength firstWavelength + i, i = 0..pointCount-1.
std::string LoggedRecordCsvHeader(int pointCount, int firstWavelength);
// One record line: "%d,%3.1f,%3.2f," with record number + 1, temperature and
// voltage, then "%3.1f," per spectrum point.
std::string LoggedRecordCsvLine(const LoggedRecord& record, int pointCount);
