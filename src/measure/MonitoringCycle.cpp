#include "measure/MonitoringCycle.h"

#include <QCoreApplication>

#include "device/DeviceLink.h"
#include "measure/Acquisition.h"
#include "measure/MeasurementDataSet.h"

namespace {
// The slot single-device exchanges go to; a current device outside the slots
// addresses an empty slot whose exchanges are skipped.
DeviceSlot& SelectedSlot(DeviceLink& link, int currentDevice) {
    static DeviceSlot none;
    if (currentDevice < 0 || currentDevice >= MAX_DEVICES)
        return none;
    return link.slot(currentDevice);
}
}  // namespace

MonitoringCycle::MonitoringCycle(DeviceLink& link, MeasurementDataSet& data, MainForm& form,
                                 TimerHost& timers, ViewState& state, Hooks hooks)
    : link_(link),
      data_(data),
      form_(form),
      timers_(timers),
      state_(state),
      hooks_(std::move(hooks)) {}

int MonitoringCycle::resumeWaitMs() const {
    return link_.settleMs();
}

void MonitoringCycle::StartFirstDraw() {
    timers_.start(TIMER_FIRST_DRAW, FIRST_DRAW_MS);
}

void MonitoringCycle::OnTimer(int id) {
    switch (id) {
        case TIMER_FIRST_DRAW:
            timers_.stop(TIMER_FIRST_DRAW);
            form_.drawGraph(state_.currentDevice);
            if (data_.deviceCount != 0)
                timers_.start(TIMER_TICK, TICK_START_MS);
            break;
        case TIMER_TICK:
            Tick();
            break;
        case TIMER_RESUME:
            timers_.stop(TIMER_RESUME);
            WakeDevice(SelectedSlot(link_, state_.currentDevice));
            timers_.start(TIMER_RESUME_WAIT, resumeWaitMs());
            break;
        case TIMER_RESUME_WAIT:
            timers_.stop(TIMER_RESUME_WAIT);
            timers_.start(TIMER_TICK, TICK_START_MS);
            break;
        default:
            break;
    }
}

void MonitoringCycle::Tick() {
    timers_.stop(TIMER_TICK);
    if (!state_.monitoring)
        return;  // paused until the acquisition button resumes
    ReadLiveData(link_, data_.deviceCount, data_.pointCount);
    form_.drawGraph(state_.currentDevice);
    DeviceSlot& selected = SelectedSlot(link_, state_.currentDevice);
    ApplyPendingSettings(selected, form_, state_);
    if (state_.acquiring)
        AcquireIfDue();
    PerformDarkRequest(selected, form_, state_);
    timers_.start(TIMER_TICK, TICK_PERIOD_MS);
}

void MonitoringCycle::AcquireIfDue() {
    if (form_.isChecked(ControlId::Continuous)) {
        // Unsigned 32-bit arithmetic: survives the wrap of the tick count, and
        // a negative interval (a huge unsigned one) never comes due.
        const std::uint32_t now = link_.clock().tickMs();
        if (now - state_.lastTick > static_cast<std::uint32_t>(state_.intervalMs)) {
            state_.lastTick += static_cast<std::uint32_t>(state_.intervalMs);
            if (hooks_.storeRecord)
                hooks_.storeRecord();
        }
        return;
    }
    if (hooks_.storeRecord)
        hooks_.storeRecord();
    state_.acquiring = false;
    form_.setText(ControlId::Acquire, QCoreApplication::translate("MainView", CAPTION_ACQUIRE));
}

void MonitoringCycle::OnAcquireButton() {
    if (state_.monitoring && state_.acquiring) {
        state_.acquiring = false;
        form_.setText(ControlId::Acquire, QCoreApplication::translate("MainView", CAPTION_ACQUIRE));
        return;
    }
    if (state_.monitoring) {
        state_.acquiring = true;
        state_.lastTick = link_.clock().tickMs();
        state_.intervalMs = EditInteger(form_.text(ControlId::IntervalEdit));
        if (form_.isChecked(ControlId::Continuous))
            form_.setText(ControlId::Acquire,
                          QCoreApplication::translate("MainView", CAPTION_STOP));
        return;
    }
    state_.monitoring = true;
    form_.setCurrentRow(ControlId::DataList, -1);
    form_.setText(ControlId::Acquire, QCoreApplication::translate("MainView", CAPTION_ACQUIRE));
    if (hooks_.enableControls)
        hooks_.enableControls();
    timers_.start(TIMER_RESUME, RESUME_MS);
}
