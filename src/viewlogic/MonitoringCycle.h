#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include <QtGlobal>

#include "device/DeviceOperations.h"
#include "device/DeviceSlot.h"
#include "viewlogic/MainForm.h"
#include "viewlogic/OperationQueue.h"
#include "viewlogic/TimerHost.h"
#include "viewlogic/ViewState.h"

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
//
// A tick is one operation of the view's queue: it hands every port its reads
// at once (spectrum and temperature; the LED unit's temperature and state) and
// lets the window's event loop run; when every port has answered or failed it
// goes on in order: draw, pending settings to the selected device, the record
// when one is due, the dark setting. The next tick starts 50 ms after the end
// of the last.
class MonitoringCycle {
  public:
    struct Hooks {
        // StoreRecord of the view; calls `stored` once the record is in.
        std::function<void(std::function<void()> stored)> storeRecord;
        std::function<void()> enableControls;  // EnableControls of the view
        // A device stopped answering or answers again (slot, or LED_SLOT).
        std::function<void(int slot)> answeringChanged;
        // Another device (another serial) answers on a lost device's port.
        std::function<void(int slot)> otherDevice;
    };
    // The LED unit in the hooks and the probe tables.
    static constexpr int LED_SLOT = MAX_DEVICES;
    // A device that does not answer is asked again about this often, in
    // place of its reads; the ticks do not wait for it meanwhile.
    static constexpr std::uint32_t PROBE_PERIOD_MS = 1000;

    MonitoringCycle(DeviceLink& link, MeasurementDataSet& data, MainForm& form, TimerHost& timers,
                    ViewState& state, OperationQueue& operations, Hooks hooks);

    // A timer fired; the owner of the timers forwards it here.
    void OnTimer(int id);
    // Timer 1 in 100 ms: repaint, then the ticks start (with devices attached).
    void StartFirstDraw();
    // Button 1008: start/stop an acquisition, or resume monitoring.
    void OnAcquireButton();

    // Wait between waking a device and the next tick (the link's settle time).
    int resumeWaitMs() const;

    // Whether a tick is under way or waiting for its turn.

  private:
    void Tick();
    void RunTick(OperationQueue::Finished finished);
    void AfterReads(OperationQueue::Finished finished);
    void AcquireIfDue(std::function<void()> then);
    void DarkIfRequested(OperationQueue::Finished finished);
    void EndTick(OperationQueue::Finished finished);
    void Wake(OperationQueue::Finished finished);
    void SetAnswering(int slot, bool answering);
    void Probe(int slot);
    void ProbeLed();
    bool ProbeDue(int slot, const PortChannel* channel);
    // The settings sent to a device from the window are kept per slot.
    void NoteSent(int slot, const PendingSettings& settings);
    // What a device that answers again is set to: the last values sent to it,
    // else those read from it at detection.
    PendingSettings SettingsToRestore(int slot) const;

    DeviceLink& link_;
    MeasurementDataSet& data_;
    MainForm& form_;
    TimerHost& timers_;
    ViewState& state_;
    OperationQueue& operations_;
    Hooks hooks_;
    bool tickUnderWay_ = false;
    // The channel a probe is out on (null: none), and when the last went out.
    std::array<const PortChannel*, MAX_DEVICES + 1> probing_{};
    std::array<std::uint32_t, MAX_DEVICES + 1> lastProbe_{};
    std::array<std::vector<QString>, MAX_DEVICES> knownPorts_;  // listed when each was lost
    // What each slot's device was last sent. A device that stops answering may
    // come back having started afresh at its own defaults (unplugged, powered
    // down); these go to it again before its spectrum is read.
    struct SentSettings {
        // The device they were sent to: a detection gives each slot a new
        // channel, and the device found there then has what it was read to have.
        std::weak_ptr<PortChannel> channel;
        PendingSettings settings;
    };
    std::array<SentSettings, MAX_DEVICES> sent_;
};
