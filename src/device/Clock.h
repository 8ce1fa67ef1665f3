#pragma once

#include <cstdint>

// Time as the program sees it. Everything that waits or stamps goes through a
// Clock so that tests run detection, the monitoring cycle and the plan
// scheduler without waiting for real.
class Clock {
  public:
    virtual ~Clock() = default;
    // Milliseconds of a steady counter that wraps at 2^32, like a system tick count.
    virtual std::uint32_t tickMs() = 0;
    // Blocks for ms milliseconds (a fake clock just advances).
    virtual void sleepMs(int ms) = 0;
    // Wall time: seconds since 1970-01-01 00:00 UTC.
    virtual std::int64_t nowSeconds() = 0;
};

class SystemClock final : public Clock {
  public:
    std::uint32_t tickMs() override;
    void sleepMs(int ms) override;
    std::int64_t nowSeconds() override;
    static SystemClock& instance();
};
