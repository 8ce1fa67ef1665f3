#pragma once

#include <cstdint>

#include "sim/SimDevice.h"

// A simulated LED unit. Switching it on lights up every spectrometer of its
// world; while on, its temperature rises toward 45 degrees C, and falls back to
// the ambient 25 degrees C while off (time constant one minute of the clock).
class SimLedUnit final : public SimDevice {
  public:
    SimLedUnit(SimWorld& world, const SimDeviceSpec& deviceSpec);

    std::int32_t state() const { return state_; }
    float temperature();

    static constexpr double ON_CELSIUS = 45.0;
    static constexpr double TIME_CONSTANT_S = 60.0;

  protected:
    std::optional<QByteArray> answer(CommandWord word, std::int32_t payload,
                                     QString& reason) override;

  private:
    void advance();

    SimDeviceSpec spec_;
    std::int32_t state_ = 0;
    double celsius_ = SimWorld::AMBIENT_CELSIUS;
    double lastSeconds_ = 0.0;
};
