#pragma once

#include <map>
#include <memory>
#include <mutex>

#include "device/PortDiagnostics.h"
#include "device/PortProvider.h"

// The ports of another provider, some of which refuse to open for a stated
// reason (no permission, held by another program), as a real port would.
class RefusingPorts final : public PortProvider, public PortOpenReporter {
  public:
    explicit RefusingPorts(PortProvider& inner) : inner_(inner) {}
    explicit RefusingPorts(std::unique_ptr<PortProvider> inner)
        : owned_(std::move(inner)), inner_(*owned_) {}

    std::map<QString, PortOpenFailure> refusals;

    std::vector<QString> candidatePorts() override { return inner_.candidatePorts(); }
    std::vector<UsbDeviceInfo> enumerateDevices() override { return inner_.enumerateDevices(); }
    std::unique_ptr<Transport> open(const QString& name) override {
        std::lock_guard lock(mutex_);
        last_[name] = {};
        const auto it = refusals.find(name);
        if (it != refusals.end()) {
            last_[name] = it->second;
            return nullptr;
        }
        return inner_.open(name);  // nullptr without a reason when held (by us)
    }
    PortOpenFailure lastOpenFailure(const QString& name) const override {
        std::lock_guard lock(mutex_);
        const auto it = last_.find(name);
        return it == last_.end() ? PortOpenFailure{} : it->second;
    }

  private:
    std::unique_ptr<PortProvider> owned_;
    PortProvider& inner_;
    mutable std::mutex mutex_;  // ports open on their own threads
    std::map<QString, PortOpenFailure> last_;
};
