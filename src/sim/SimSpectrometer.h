#pragma once

#include <array>
#include <cstdint>
#include <random>

#include "sim/SimDevice.h"
#include "sim/SimSensor.h"

// A simulated spectrometer. It integrates a lamp-like spectrum on the 1-nm grid
// of its sensor model: counts grow with the exposure up to saturation at 65535,
// a dark offset of about 800 counts stays until CMD_STORE_DARK takes it away,
// noise shrinks with the square root of the averaging count, and the light
// grows while its world's LED unit is on. The temperature drifts slowly with
// the clock. An LX device hands out its logged records in order.
class SimSpectrometer final : public SimDevice {
  public:
    // `index` (0, 1, ...) varies the seed and the temperature between devices.
    SimSpectrometer(SimWorld& world, const SimDeviceSpec& deviceSpec, int index);

    // Settings as the host last set them.
    std::int32_t exposureUs() const { return exposureUs_; }
    std::int32_t averaging() const { return averaging_; }
    bool darkStored() const { return darkStored_; }
    const SimSensorProfile& profile() const { return profile_; }
    const SimDeviceSpec& deviceSpec() const { return spec_; }

    // One acquisition as the device would deliver it now (511 values, zero
    // beyond the grid).
    std::array<float, MAX_POINTS> acquire();
    // Noise-free counts of point i at the current settings, before clipping.
    double idealCounts(int point);
    float temperature();
    // The 2096-byte logged record number n (0-based).
    QByteArray loggedRecord(int n) const;

    static constexpr std::int32_t DEFAULT_EXPOSURE_US = 10000;
    static constexpr double PEAK_COUNTS = 30000.0;  // brightest point at the default exposure
    static constexpr double READ_NOISE = 8.0;       // counts, one scan

  protected:
    std::optional<QByteArray> answer(CommandWord word, std::int32_t payload,
                                     QString& reason) override;

  private:
    std::optional<QByteArray> answerTable(CommandWord word, QString& reason);
    QByteArray tableBytes(std::uint8_t code);

    SimDeviceSpec spec_;
    int index_;
    SimSensorProfile profile_;
    std::array<float, MAX_POINTS> shape_;
    std::mt19937 rng_;
    std::int32_t exposureUs_ = DEFAULT_EXPOSURE_US;
    std::int32_t averaging_ = 1;
    std::int32_t aux_ = 0;
    bool darkStored_ = false;
    std::int32_t darkExposureUs_ = 0;
    QByteArray frame_;  // the spectrum being handed out page by page
    int nextRecord_ = 0;
};
