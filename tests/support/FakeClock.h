#pragma once

#include <cstdint>

#include "device/Clock.h"

// A clock that moves only when told to (or when something sleeps on it).
class FakeClock final : public Clock {
  public:
    explicit FakeClock(std::int64_t wallSeconds = 1700000000, std::uint32_t tick = 0)
        : wallMs_(wallSeconds * 1000), tick_(tick) {}
    std::uint32_t tickMs() override { return tick_; }
    void sleepMs(int ms) override { advanceMs(ms); }
    std::int64_t nowSeconds() override { return wallMs_ / 1000; }
    void advanceMs(std::int64_t ms) {
        tick_ += static_cast<std::uint32_t>(ms);
        wallMs_ += ms;
    }
    void setWallSeconds(std::int64_t s) { wallMs_ = s * 1000; }
    void setTick(std::uint32_t t) { tick_ = t; }

  private:
    std::int64_t wallMs_;
    std::uint32_t tick_;
};
