#pragma once

#include <array>
#include <string>
#include <vector>

#include <QByteArray>
#include <QString>

#include "data/WholeFileWriter.h"
#include "device/CommandTable.h"

class Transport;

// The largest pixel count of the sensor profiles: the tables hold this many.
inline constexpr int MAX_PIXELS = 288;

// The identity and calibration data a spectrometer hands out. Storage starts
// zero-filled, so a table whose exchange fails shows zeros.
struct SensorInfo {
    int pixelCount = MAX_PIXELS;  // P of the sensor profile, 1..288
    QByteArray model;             // CMD_GET_SENSOR_MODEL
    QByteArray serial;            // CMD_GET_SERIAL
    std::array<double, CAL_COEFF_COUNT> comp{};
    std::array<float, MAX_PIXELS> wave{};
    std::array<float, MAX_PIXELS> gain{};
    std::array<float, MAX_PIXELS> dark005{};  // dark reading at 0.05 s
    std::array<float, MAX_PIXELS> dark05{};   // dark reading at 0.5 s
};

// Reads, in this order: sensor model, serial number, the six coefficients, the
// pixel wavelengths (P x 4 bytes), the gains (P x 4) and the dark block (P x 8);
// the three tables whole, or in 64-byte pages when the device is bridged.
// The dark reply holds P values for 0.05 s followed by P values for 0.5 s and
// is split at P, so that each column shows its own table for either pixel count.
SensorInfo ReadSensorInfo(Transport& port, bool bridged, int pixelCount);

// The dialog's lines: "Sensor,%s", "Serial,%s", six "comp %d, %12.8e", the
// heading, then "%5d,%7.1f, %7.1f, %7.1f, %7.3f" per pixel (9 + P lines).
std::vector<std::string> SensorInfoLines(const SensorInfo& info);

// Initial name of the save prompt: the serial text followed by ".csv".
QString SensorInfoFileName(const QByteArray& serial);

// Writes the lines, each ended with CR LF, through WholeFileWriter; the
// message when !ok names the file.
FileResult SaveSensorInfoFile(const QString& path, const std::vector<std::string>& lines);
