#include "session/MonitoringCycle.h"

#include <algorithm>

#include "device/DeviceLink.h"
#include "device/Gather.h"

MonitoringCycle::MonitoringCycle(DeviceLink& link, TimerHost& timers, OperationQueue& operations,
                                 AcquisitionState& state, Hooks hooks)
    : link_(link),
      timers_(timers),
      operations_(operations),
      state_(state),
      hooks_(std::move(hooks)) {}

int MonitoringCycle::resumeWaitMs() const {
    return link_.settleMs();
}

void MonitoringCycle::StartTicks() {
    if (link_.deviceCount() != 0)
        timers_.start(TIMER_TICK, TICK_START_MS);
}

void MonitoringCycle::Pause() {
    state_.ticking = false;
}

void MonitoringCycle::Resume(int wakeSlot) {
    state_.ticking = true;
    wakeSlot_ = wakeSlot;
    timers_.start(TIMER_RESUME, RESUME_MS);
}

void MonitoringCycle::QueueSettings(int slot, const DeviceSettingValues& settings) {
    if (slot >= 0 && slot < MAX_DEVICES)
        MergeSettings(queued_[std::size_t(slot)], settings);
}

void MonitoringCycle::QueueDark(int slot) {
    darkQueued_.insert(slot);
}

void MonitoringCycle::Hold(int slot) {
    if (slot >= 0 && slot < MAX_DEVICES)
        ++holds_[std::size_t(slot)];
}

void MonitoringCycle::Release(int slot) {
    if (held(slot))
        --holds_[std::size_t(slot)];
}

void MonitoringCycle::OnTimer(int id) {
    switch (id) {
        case TIMER_TICK:
            Tick();
            break;
        case TIMER_RESUME:
            timers_.stop(TIMER_RESUME);
            operations_.Run([this](OperationQueue::Finished finished) { Wake(finished); });
            break;
        case TIMER_RESUME_WAIT:
            timers_.stop(TIMER_RESUME_WAIT);
            timers_.start(TIMER_TICK, TICK_START_MS);
            break;
        default:
            break;
    }
}

void MonitoringCycle::Wake(OperationQueue::Finished finished) {
    static DeviceSlot none;
    DeviceSlot& slot = wakeSlot_ >= 0 && wakeSlot_ < MAX_DEVICES ? link_.slot(wakeSlot_) : none;
    auto settle = [this, finished] {
        timers_.start(TIMER_RESUME_WAIT, resumeWaitMs());
        finished();
    };
    if (!slot.isOpen() || held(wakeSlot_)) {
        settle();
        return;
    }
    slot.channel->post(
        [](PortAccess& port) {
            if (port.transport())
                WakeDevice(*port.transport());
        },
        settle);
}

void MonitoringCycle::Tick() {
    timers_.stop(TIMER_TICK);
    if (!state_.ticking)
        return;  // paused until resumed
    // A tick already under way (a resize restarted the first draw meanwhile)
    // re-arms the timer when it ends: ticks never overlap.
    if (tickUnderWay_)
        return;
    tickUnderWay_ = true;
    operations_.Run([this](OperationQueue::Finished finished) { RunTick(finished); });
}

void MonitoringCycle::RunTick(OperationQueue::Finished finished) {
    if (!state_.ticking) {  // paused while the tick waited for its turn
        tickUnderWay_ = false;
        finished();
        return;
    }
    fresh_.fill(false);
    auto read = Gather::Make([this, finished] { AfterReads(finished); });
    for (int d = 0; d < link_.deviceCount() && d < MAX_DEVICES; ++d) {
        DeviceSlot& slot = link_.slot(d);
        // Each device is asked for the points of its own grid.
        const int points = std::clamp<int>(slot.profile.pointCount, 0, MAX_POINTS);
        if (!slot.isOpen() || held(d))
            continue;  // keeps its values
        if (!slot.answering) {
            Probe(d);  // not waited for: the other devices go on
            continue;
        }
        Ask<LiveReading>(
            *slot.channel,
            [bridged = slot.bridged, points](PortAccess& port) {
                return port.transport() ? ReadLiveData(*port.transport(), bridged, points)
                                        : LiveReading{};
            },
            [this, d, points, done = read->Add()](LiveReading live) {
                DeviceSlot& s = link_.slot(d);
                // A missing reply keeps the last spectrum and temperature.
                if (live.spectrumRead)
                    std::copy_n(live.spectrum.begin(), points, s.spectrum.begin());
                if (live.temperatureRead)
                    s.temperature = live.temperature;
                // Held since this read went out: the holder has the port now,
                // and its own exchanges tell whether the device is there.
                fresh_[std::size_t(d)] = live.spectrumRead && !held(d);
                if (!live.spectrumRead && !held(d))
                    SetAnswering(d, false);
                done();
            });
    }
    LedUnit& led = link_.led();
    if (led.present && led.channel && !led.answering) {
        ProbeLed();
    } else if (led.present && led.channel) {
        Ask<LedReading>(
            *led.channel,
            [state = led.state](PortAccess& port) {
                return port.transport() ? ReadLedLive(*port.transport(), state) : LedReading{};
            },
            [this, done = read->Add()](LedReading reading) {
                if (reading.temperatureRead)
                    link_.led().temperature = reading.temperature;
                else
                    SetAnswering(LED_SLOT, false);
                done();
            });
    }
    read->Release();
}

void MonitoringCycle::SetAnswering(int slot, bool answering) {
    bool& flag = slot == LED_SLOT ? link_.led().answering : link_.slot(slot).answering;
    if (flag == answering)
        return;
    flag = answering;
    if (!answering && slot != LED_SLOT)
        knownPorts_[std::size_t(slot)] = link_.ports().candidatePorts();
    lastProbe_[std::size_t(slot)] = link_.clock().tickMs();  // the first probe a period on
    probing_[std::size_t(slot)] = nullptr;
    if (hooks_.answeringChanged)
        hooks_.answeringChanged(slot);
}

bool MonitoringCycle::ProbeDue(int slot, const PortChannel* channel) {
    const auto i = std::size_t(slot);
    if (probing_[i] == channel)
        return false;  // one probe at a time
    const std::uint32_t now = link_.clock().tickMs();
    if (now - lastProbe_[i] < PROBE_PERIOD_MS)
        return false;
    probing_[i] = channel;
    lastProbe_[i] = now;
    return true;
}

void MonitoringCycle::Probe(int d) {
    DeviceSlot& slot = link_.slot(d);
    if (!ProbeDue(d, slot.channel.get()))
        return;
    Ask<ProbeResult>(
        *slot.channel,
        [bridged = slot.bridged, serial = slot.serialText, known = knownPorts_[std::size_t(d)],
         version = slot.version, restore = SettingsToRestore(d)](PortAccess& port) {
            ProbeResult r = ProbeSpectrometer(port, bridged, serial, known);
            // Back: set again before anything else is asked of it, so that what
            // the window shows is what it measures with.
            if (r.answered && port.transport())
                SendPendingSettings(*port.transport(), r.reopened ? r.identity.version : version,
                                    restore);
            return r;
        },
        [this, d](ProbeResult r) {
            probing_[std::size_t(d)] = nullptr;
            if (!r.newName.isEmpty())
                link_.slot(d).portTag = PortTag(r.newName);  // replugged under a new name
            if (r.answered)
                SetAnswering(d, true);  // back in its slot; the next tick reads it
            else if (r.otherDevice && hooks_.otherDevice)
                hooks_.otherDevice(d);
        });
}

void MonitoringCycle::NoteSent(int d, const DeviceSettingValues& settings) {
    if (d < 0 || d >= MAX_DEVICES)
        return;
    SentSettings& sent = sent_[std::size_t(d)];
    const std::shared_ptr<PortChannel>& channel = link_.slot(d).channel;
    if (sent.channel.lock() != channel)
        sent = SentSettings{channel, {}};
    MergeSettings(sent.settings, settings);
}

DeviceSettingValues MonitoringCycle::SettingsToRestore(int d) const {
    DeviceSettingValues restore = link_.storedIdentity(d).settings;
    const SentSettings& sent = sent_[std::size_t(d)];
    if (sent.channel.lock() == link_.slot(d).channel)
        MergeSettings(restore, sent.settings);  // else sent to the device of an earlier detection
    return restore;
}

void MonitoringCycle::ProbeLed() {
    LedUnit& led = link_.led();
    if (!ProbeDue(LED_SLOT, led.channel.get()))
        return;
    Ask<bool>(
        *led.channel, [](PortAccess& port) { return ProbeLedUnit(port); },
        [this](bool answered) {
            probing_[std::size_t(LED_SLOT)] = nullptr;
            if (answered)
                SetAnswering(LED_SLOT, true);
        });
}

void MonitoringCycle::AfterReads(OperationQueue::Finished finished) {
    if (hooks_.read)
        hooks_.read();
    auto sent = Gather::Make([this, finished] { DarkIfRequested(finished); });
    for (int d = 0; d < MAX_DEVICES; ++d) {
        if (held(d))
            continue;  // its settings wait for the release
        DeviceSettingValues settings;
        std::swap(settings, queued_[std::size_t(d)]);
        DeviceSlot& slot = link_.slot(d);
        if (settings.empty() || !slot.isOpen())
            continue;
        NoteSent(d, settings);
        slot.channel->post(
            [settings, version = slot.version](PortAccess& port) {
                if (port.transport())
                    SendPendingSettings(*port.transport(), version, settings);
            },
            sent->Add());
        if (hooks_.settingsSent)
            hooks_.settingsSent(d, settings);
    }
    if (state_.acquiring)
        AcquireIfDue(sent->Add());
    sent->Release();
}

void MonitoringCycle::AcquireIfDue(std::function<void()> then) {
    if (state_.continuous) {
        // Unsigned 32-bit arithmetic: survives the wrap of the tick count, and
        // a negative interval (a huge unsigned one) never comes due.
        const std::uint32_t now = link_.clock().tickMs();
        if (now - state_.lastTick > static_cast<std::uint32_t>(state_.intervalMs)) {
            state_.lastTick += static_cast<std::uint32_t>(state_.intervalMs);
            if (hooks_.storeRecord) {
                hooks_.storeRecord(then);
                return;
            }
        }
        then();
        return;
    }
    state_.acquiring = false;  // the single record
    if (hooks_.acquisitionChanged)
        hooks_.acquisitionChanged();
    if (hooks_.storeRecord)
        hooks_.storeRecord(then);
    else
        then();
}

void MonitoringCycle::DarkIfRequested(OperationQueue::Finished finished) {
    // Taken before anything is reported, so nothing repeats the request; a
    // held device's stays queued for a tick after the release.
    std::set<int> darkSlots;
    for (auto it = darkQueued_.begin(); it != darkQueued_.end();) {
        if (held(*it)) {
            ++it;
            continue;
        }
        darkSlots.insert(*it);
        it = darkQueued_.erase(it);
    }
    if (darkSlots.empty()) {
        EndTick(finished);
        return;
    }
    auto report = Gather::Make([this, darkSlots, finished] {
        // Told once the tick is over: whoever shows the result may take its
        // time without keeping the next tick waiting.
        EndTick(finished);
        for (int s : darkSlots) {
            if (hooks_.darkDone)
                hooks_.darkDone(s);
        }
    });
    for (int s : darkSlots) {
        if (s < 0 || s >= MAX_DEVICES || !link_.slot(s).isOpen())
            continue;
        DeviceSlot& slot = link_.slot(s);
        slot.channel->post(
            [version = slot.version](PortAccess& port) {
                if (port.transport())
                    StoreDark(*port.transport(), version);  // sent with firmware 1.5 or above
            },
            report->Add());
    }
    report->Release();
}

void MonitoringCycle::EndTick(OperationQueue::Finished finished) {
    timers_.start(TIMER_TICK, TICK_PERIOD_MS);
    tickUnderWay_ = false;
    finished();
}
