#pragma once

#include <cstdint>
#include <map>

#include "device/Clock.h"
#include "session/TimerHost.h"

// One-shot timers kept as due times on a Clock, for running the monitoring
// cycle without an event loop: the caller asks for the next timer, which
// waits (sleeps on the clock) until it is due.
class ClockTimerHost final : public TimerHost {
  public:
    explicit ClockTimerHost(Clock& clock) : clock_(clock) {}

    void start(int id, int ms) override;
    void stop(int id) override { armed_.erase(id); }
    bool isActive(int id) const override { return armed_.count(id) != 0; }

    // Waits until the earliest armed timer is due (of two due together, the
    // one started first), disarms it and returns its id; -1 when none is armed.
    int WaitNext();

  private:
    struct Armed {
        std::uint32_t due;
        std::uint64_t order;
    };
    Clock& clock_;
    std::map<int, Armed> armed_;
    std::uint64_t starts_ = 0;
};
