#pragma once

#include <functional>

#include <QtGlobal>

#include "measure/MainForm.h"
#include "measure/TimerHost.h"
#include "measure/ViewState.h"

class DeviceLink;
class MeasurementDataSet;

// Timer ids of the main view and their delays.
enum CycleTimer : int {
    TIMER_FIRST_DRAW = 1,   // repaint, then start the ticks
    TIMER_TICK = 2,         // one monitoring tick
    TIMER_RESUME = 3,       // wake the current device
    TIMER_RESUME_WAIT = 4,  // let it settle, then tick again
};
inline constexpr int FIRST_DRAW_MS = 100;
inline constexpr int TICK_START_MS = 10;
inline constexpr int TICK_PERIOD_MS = 50;
inline constexpr int RESUME_MS = 10;

inline const char* const CAPTION_ACQUIRE = QT_TRANSLATE_NOOP("MainView", "データ取得");
inline const char* const CAPTION_STOP = QT_TRANSLATE_NOOP("MainView", "取得停止");
inline const char* const CAPTION_RESUME = QT_TRANSLATE_NOOP("MainView", "モニター再開");

// The timer-driven cycle that keeps the devices under observation and stores
// records when an acquisition is due. Every timer is one-shot: a handler stops
// its own timer before its work and re-arms the next one after it, so ticks
// never overlap.
class MonitoringCycle {
  public:
    struct Hooks {
        std::function<void()> storeRecord;     // StoreRecord of the view
        std::function<void()> enableControls;  // EnableControls of the view
    };

    MonitoringCycle(DeviceLink& link, MeasurementDataSet& data, MainForm& form, TimerHost& timers,
                    ViewState& state, Hooks hooks);

    // A timer fired; the owner of the timers forwards it here.
    void OnTimer(int id);
    // Timer 1 in 100 ms: repaint, then the ticks start (with devices attached).
    void StartFirstDraw();
    // Button 1008: start/stop an acquisition, or resume monitoring.
    void OnAcquireButton();

    // Wait between waking a device and the next tick (the link's settle time).
    int resumeWaitMs() const;

  private:
    void Tick();
    void AcquireIfDue();

    DeviceLink& link_;
    MeasurementDataSet& data_;
    MainForm& form_;
    TimerHost& timers_;
    ViewState& state_;
    Hooks hooks_;
};
