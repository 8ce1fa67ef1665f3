#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <vector>

#include "device/DeviceOperations.h"
#include "device/DeviceSlot.h"
#include "session/OperationQueue.h"
#include "session/TimerHost.h"

class DeviceLink;

// Timer ids of the session and of the view above it, and their delays.
enum CycleTimer : int {
    TIMER_FIRST_DRAW = 1,   // the view's: repaint, then start the ticks
    TIMER_TICK = 2,         // one monitoring tick
    TIMER_RESUME = 3,       // wake a device after a pause
    TIMER_RESUME_WAIT = 4,  // let it settle, then tick again
    TIMER_PLAN = 5,         // the view's: the measurement plan's clock
};
inline constexpr int FIRST_DRAW_MS = 100;
inline constexpr int TICK_START_MS = 10;
inline constexpr int TICK_PERIOD_MS = 50;
inline constexpr int RESUME_MS = 10;

// What the ticks do besides reading: acquisition and its interval.
struct AcquisitionState {
    bool ticking = true;      // false while paused (a stored record is shown)
    bool acquiring = false;   // a record (single) or records (continuous) to store
    bool continuous = false;  // at the interval until stopped
    std::int32_t intervalMs = 1000;
    std::uint32_t lastTick = 0;  // tick count of the last continuous record
};

// The timer-driven cycle that keeps the devices under observation and stores
// records when an acquisition is due. Every timer is one-shot: a handler stops
// its own timer before its work and re-arms the next one after it, so ticks
// never overlap.
//
// A tick is one operation of the session's queue: it hands every port its
// reads at once (spectrum and temperature; the LED unit's temperature and
// state) and lets the event loop run; when every port has answered or failed
// it goes on in order: the reading is reported, the settings queued for each
// device are sent, the record when one is due, the dark settings asked for.
// The next tick starts 50 ms after the end of the last.
class MonitoringCycle {
  public:
    struct Hooks {
        // Stores a record; calls `stored` once the record is in (or was not stored).
        std::function<void(std::function<void()> stored)> storeRecord;
        // Every device's reads of this tick are in (the slots hold them).
        std::function<void()> read;
        // The acquisition state changed (a single record taken, stopped).
        std::function<void()> acquisitionChanged;
        // A device stopped answering or answers again (slot, or LED_SLOT).
        std::function<void(int slot)> answeringChanged;
        // Another device (another serial) answers on a lost device's port.
        std::function<void(int slot)> otherDevice;
        // Settings went to a device (those sent).
        std::function<void(int slot, const DeviceSettingValues& sent)> settingsSent;
        // A dark setting was performed on a slot.
        std::function<void(int slot)> darkDone;
    };
    // The LED unit in the hooks and the probe tables.
    static constexpr int LED_SLOT = MAX_DEVICES;
    // A device that does not answer is asked again about this often, in
    // place of its reads; the ticks do not wait for it meanwhile.
    static constexpr std::uint32_t PROBE_PERIOD_MS = 1000;

    MonitoringCycle(DeviceLink& link, TimerHost& timers, OperationQueue& operations,
                    AcquisitionState& state, Hooks hooks);

    // A timer fired; the owner of the timers forwards it here.
    void OnTimer(int id);
    // The first tick in 10 ms (with devices attached).
    void StartTicks();
    // The ticks stop until Resume; Resume wakes `wakeSlot` first.
    void Pause();
    void Resume(int wakeSlot);

    // Sent to the slot after the next tick's reads (merged with what is queued).
    void QueueSettings(int slot, const DeviceSettingValues& settings);
    // A dark setting on the slot at the end of the next tick.
    void QueueDark(int slot);
    // What waits for the next tick.
    DeviceSettingValues queued(int slot) const {
        return slot >= 0 && slot < MAX_DEVICES ? queued_[std::size_t(slot)] : DeviceSettingValues{};
    }
    bool darkQueued(int slot) const { return darkQueued_.count(slot) != 0; }
    // The queued exposure is not sent after all.
    void WithdrawExposure(int slot) {
        if (slot >= 0 && slot < MAX_DEVICES)
            queued_[std::size_t(slot)].exposureUs.reset();
    }
    // What a device that answers again is set to: the last values sent to it
    // on its present port, else those read from it at detection.
    DeviceSettingValues SettingsToRestore(int slot) const;
    // Values sent to a slot outside the ticks (a command read back).
    void NoteSent(int slot, const DeviceSettingValues& settings);

    // Wait between waking a device and the next tick (the link's settle time).
    int resumeWaitMs() const;
    // Whether the slot's spectrum came in the last tick.
    bool readLastTick(int slot) const { return slot >= 0 && slot < MAX_DEVICES && fresh_[slot]; }

    // While a slot is held its port belongs to someone else (an upload of
    // logged records, a sensor-information read): the ticks neither read nor
    // probe nor wake it, its queued settings and dark setting wait for the
    // release, and it is not taken for lost. Holds count; each Hold needs a
    // Release. Exchanges already handed to the port before the hold finish
    // first, since the port runs its work in order.
    void Hold(int slot);
    void Release(int slot);
    bool held(int slot) const {
        return slot >= 0 && slot < MAX_DEVICES && holds_[std::size_t(slot)] > 0;
    }

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

    DeviceLink& link_;
    TimerHost& timers_;
    OperationQueue& operations_;
    AcquisitionState& state_;
    Hooks hooks_;
    bool tickUnderWay_ = false;
    int wakeSlot_ = 0;
    std::array<DeviceSettingValues, MAX_DEVICES> queued_;
    std::array<bool, MAX_DEVICES> fresh_{};
    std::array<int, MAX_DEVICES> holds_{};
    std::set<int> darkQueued_;
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
        DeviceSettingValues settings;
    };
    std::array<SentSettings, MAX_DEVICES> sent_;
};
