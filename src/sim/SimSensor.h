#pragma once

#include <array>
#include <vector>

#include <QByteArray>

#include "device/CommandTable.h"

// The optics of a simulated spectrometer: its grid, its lamp, its calibration.
struct SimSensorProfile {
    int pointCount = 511;       // 1-nm points of a spectrum
    int firstWavelength = 340;  // nm of point 0
    int pixelCount = 288;       // sensor pixels of the per-pixel tables
};

// The grid the device delivers for a sensor model text: "K52817QX-03" 411 points
// from 640 nm and 256 pixels, "K60293QX" 251 from 190 nm and 288 pixels, any
// other text 511 from 340 nm and 288 pixels.
SimSensorProfile SimProfileForModel(const QByteArray& model);

// Relative brightness (0..1 over the profile's grid) of the bench lamp seen by
// the sensor: a warm-white LED with a halogen and a deuterium share, times the
// sensor's response.
std::array<float, MAX_POINTS> SimLampShape(const SimSensorProfile& profile);

// Six polynomial coefficients (wavelength in nm of pixel p, p counted from 1:
// c1 + c2 p + c3 p^2 + ... + c6 p^5) and the tables made from them.
std::array<double, 6> SimCalibrationCoefficients(const SimSensorProfile& profile);
std::vector<float> SimPixelWavelengths(const SimSensorProfile& profile);
std::vector<float> SimPixelGains(const SimSensorProfile& profile);
// P values for 0.05 s exposure followed by P values for 0.5 s.
std::vector<float> SimDarkTables(const SimSensorProfile& profile);

// Dark counts of point i at an exposure (fixed pattern plus a slow rise).
float SimDarkCounts(int point, int exposureUs);
