#pragma once

// A port layer over simulated devices that fails the way serial ports do:
//  - a port can be pulled out: it leaves the enumeration, cannot be opened, and
//    the transport that held it fails every write for good (as the file
//    descriptor of a vanished tty does), even after the device is put back;
//  - every read that loses its reply moves the fake clock on by the serial
//    read bound (ReplyTimeoutMs), so the ticks of a fake clock show the time a
//    real link would lose waiting for a silent device.
// Header-only so that the fault benchmark runs the same layer.

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "device/Clock.h"
#include "device/PortProvider.h"
#include "device/Transport.h"
#include "setup/SimPortProvider.h"
#include "support/FakeClock.h"

struct PortStats {
    int reads = 0;
    int lostReads = 0;
    std::int64_t lostMs = 0;  // read bounds spent on lost replies
};

class FaultPorts final : public PortProvider {
  public:
    FaultPorts(std::unique_ptr<SimPortProvider> sim, FakeClock& clock)
        : sim_(std::move(sim)), clock_(clock) {
        for (int p = 0; p < sim_->portCount(); ++p) {
            states_.push_back(std::make_shared<State>());
            index_[sim_->portName(p)] = p;
        }
    }

    SimPortProvider& sim() { return *sim_; }
    void unplug(int port) {
        states_[port]->plugged = false;
        ++states_[port]->generation;
    }
    void plug(int port) { states_[port]->plugged = true; }
    const PortStats& stats(int port) const { return states_[port]->stats; }
    void resetStats() {
        for (auto& s : states_)
            s->stats = PortStats{};
    }
    PortStats total() const {
        PortStats t;
        for (const auto& s : states_) {
            t.reads += s->stats.reads;
            t.lostReads += s->stats.lostReads;
            t.lostMs += s->stats.lostMs;
        }
        return t;
    }

    std::vector<QString> candidatePorts() override {
        std::vector<QString> out;
        for (const QString& name : sim_->candidatePorts())
            if (plugged(name))
                out.push_back(name);
        return out;
    }
    std::vector<UsbDeviceInfo> enumerateDevices() override {
        std::vector<UsbDeviceInfo> out;
        for (const UsbDeviceInfo& info : sim_->enumerateDevices()) {
            bool present = true;
            for (const auto& [name, p] : index_)
                if (!states_[p]->plugged && info.friendlyName.contains(PortTag(name)))
                    present = false;
            if (present)
                out.push_back(info);
        }
        return out;
    }
    std::unique_ptr<Transport> open(const QString& portName) override {
        if (!plugged(portName))
            return nullptr;
        auto inner = sim_->open(portName);
        if (!inner)
            return nullptr;
        return std::make_unique<Port>(std::move(inner), states_[index_.at(portName)], clock_);
    }

  private:
    struct State {
        bool plugged = true;
        int generation = 0;  // counts the pulls
        PortStats stats;
    };

    class Port final : public Transport {
      public:
        Port(std::unique_ptr<Transport> inner, std::shared_ptr<State> state, FakeClock& clock)
            : inner_(std::move(inner)),
              state_(std::move(state)),
              generation_(state_->generation),
              clock_(clock) {}
        std::size_t write(std::span<const std::uint8_t> bytes) override {
            return gone() ? 0 : inner_->write(bytes);
        }
        bool read(std::span<std::uint8_t> into) override {
            ++state_->stats.reads;
            if (!gone() && inner_->read(into))
                return true;
            const int bound = ReplyTimeoutMs(into.size());
            ++state_->stats.lostReads;
            state_->stats.lostMs += bound;
            clock_.advanceMs(bound);
            return false;
        }
        void configureBridge() override {
            if (!gone())
                inner_->configureBridge();
        }
        QString portName() const override { return inner_->portName(); }
        bool gone() const override { return !state_->plugged || state_->generation != generation_; }

      private:
        std::unique_ptr<Transport> inner_;
        std::shared_ptr<State> state_;
        int generation_;
        FakeClock& clock_;
    };

    bool plugged(const QString& name) const {
        const auto it = index_.find(name);
        return it == index_.end() || states_[it->second]->plugged;
    }

    std::unique_ptr<SimPortProvider> sim_;
    FakeClock& clock_;
    std::vector<std::shared_ptr<State>> states_;
    std::map<QString, int> index_;
};
