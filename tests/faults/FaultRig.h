#pragma once

// The main view's real monitoring cycle, headless, on simulated devices behind
// FaultPorts and a fake clock: timers fire in due order as in the command-line
// tool, and every tick is timed on the host and on the fake clock.

#include <algorithm>
#include <chrono>
#include <memory>

#include "FaultPorts.h"
#include "support/FakeClock.h"
#include "support/HeadlessView.h"

struct TickFigures {
    int ticks = 0;
    std::int64_t worstClockMs = 0;  // fake-clock time one tick took (lost-reply bounds)
    double worstHostUs = 0.0;       // host time of the slowest tick
    double meanHostUs = 0.0;
};

class FaultRig : public HeadlessView<FaultPorts> {
  public:
    FaultRig() : HeadlessView(FakeClock{1700000000, 5000}) {}

    // Builds the view over the DEVICES text and runs its initial update
    // (detection, LED unit search). False with the parser's message on bad text.
    bool Start(const QString& devices, QString& error) {
        auto sim = SimPortProvider::FromText(devices, clock, error);
        if (!sim)
            return false;
        HeadlessView::Start(std::make_unique<FaultPorts>(std::move(sim), clock));
        return true;
    }

    // Fires timers in due order until `ticks` monitoring ticks have run (or no
    // timer is armed any more).
    TickFigures RunTicks(int ticks) {
        TickFigures f;
        double totalUs = 0.0;
        while (f.ticks < ticks) {
            const int id = timers.WaitNext();
            if (id < 0)
                break;
            if (id != TIMER_TICK) {
                view->OnTimer(id);
                continue;
            }
            const std::uint32_t before = clock.tickMs();
            const auto start = std::chrono::steady_clock::now();
            view->OnTimer(id);
            const double us =
                std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
                    .count();
            f.worstClockMs = std::max<std::int64_t>(f.worstClockMs, clock.tickMs() - before);
            f.worstHostUs = std::max(f.worstHostUs, us);
            totalUs += us;
            ++f.ticks;
        }
        f.meanHostUs = f.ticks ? totalUs / f.ticks : 0.0;
        return f;
    }
};
