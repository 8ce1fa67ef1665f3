#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "device/Clock.h"

// What the devices of one simulation share: the clock they run on, the light
// of the LED unit that shines into every spectrometer, and the noise seed.
class SimWorld {
  public:
    explicit SimWorld(Clock& clock, std::uint32_t seed = 1);

    Clock& clock() { return clock_; }
    std::uint32_t seed() const { return seed_; }

    // Seconds since the world was made, from the clock's tick (wrap-safe as long
    // as it is asked at least once every 49 days).
    double elapsedSeconds();

    // The LED unit's state; while it is on every spectrometer sees more light.
    // Each device runs on its port's own thread, hence the atomic.
    bool ledOn() const { return ledOn_; }
    void setLedOn(bool on) { ledOn_ = on; }
    // Factor on the light that reaches the spectrometers: 1.8 with the LED on.
    double illumination() const { return ledOn_ ? LED_GAIN : 1.0; }

    static constexpr double LED_GAIN = 1.8;
    static constexpr double AMBIENT_CELSIUS = 25.0;

  private:
    Clock& clock_;
    std::uint32_t seed_;
    std::mutex mutex_;  // guards lastTick_ and elapsedSeconds_: every device asks
    std::uint32_t lastTick_;
    double elapsedSeconds_ = 0.0;
    std::atomic<bool> ledOn_ = false;
};
