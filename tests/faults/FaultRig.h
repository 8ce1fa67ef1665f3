#pragma once

// The main view's real monitoring cycle, headless, on simulated devices behind
// FaultPorts and a fake clock: timers fire in due order as in the command-line
// tool, and every tick is timed on the host and on the fake clock.

#include <algorithm>
#include <chrono>
#include <memory>

#include "device/DeviceLink.h"
#include "measure/ClockTimerHost.h"
#include "measure/HeadlessForm.h"
#include "measure/MainViewLogic.h"
#include "measure/MeasurementDataSet.h"
#include "measure/ProfileSettings.h"

#include "FaultPorts.h"

struct TickFigures {
    int ticks = 0;
    std::int64_t worstClockMs = 0;  // fake-clock time one tick took (lost-reply bounds)
    double worstHostUs = 0.0;       // host time of the slowest tick
    double meanHostUs = 0.0;
};

class FaultRig {
  public:
    // Builds the view over the DEVICES text and runs its initial update
    // (detection, LED unit search). False with the parser's message on bad text.
    bool Start(const QString& devices, QString& error) {
        auto sim = SimPortProvider::FromText(devices, clock, error);
        if (!sim)
            return false;
        ports = std::make_unique<FaultPorts>(std::move(sim), clock);
        link = std::make_unique<DeviceLink>(*ports, clock, 0);
        view = std::make_unique<MainViewLogic>(form, timers, settings, *link, data, doc, QString());
        view->InitialUpdate();
        return true;
    }

    // Continuous acquisition every intervalMs (0: a record on every tick).
    void StartContinuous(int intervalMs) {
        form.setChecked(ControlId::Continuous, true);
        form.setText(ControlId::IntervalEdit, QString::number(intervalMs));
        view->OnAcquireButton();
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

    struct NoDocument : DocumentHooks {
        void setModified() override {}
    };

    FakeClock clock{1700000000, 5000};
    std::unique_ptr<FaultPorts> ports;
    std::unique_ptr<DeviceLink> link;
    HeadlessForm form;
    ClockTimerHost timers{clock};
    MemorySettingsStore settings;
    MeasurementDataSet data;
    NoDocument doc;
    std::unique_ptr<MainViewLogic> view;
};
