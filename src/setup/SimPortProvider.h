#pragma once

#include <atomic>
#include <memory>
#include <vector>

#include <QString>

#include "device/PortProvider.h"
#include "sim/MakeSimDevice.h"
#include "sim/SimDevice.h"
#include "sim/SimDeviceSpec.h"
#include "sim/SimLedUnit.h"
#include "sim/SimSpectrometer.h"
#include "sim/SimWorld.h"

// Simulated devices in place of serial ports, all in one SimWorld. Ports are
// named "sim0", "sim1", ... in the order the devices are given, each with the
// USB identity of its kind and link. A port opens exclusively: a second open
// gives nullptr until the first transport is destroyed. A bridged device takes
// requests only after its port was configured for the bridge.
//
// Typical test use:
//   FakeClock clock;
//   auto sim = SimPortProvider::FromText("vis:serial=A,nir:link=bridge,led", clock, error);
//   DeviceLink link(*sim, clock, 0);
class SimPortProvider final : public PortProvider {
  public:
    SimPortProvider(const std::vector<SimDeviceSpec>& deviceSpecs, Clock& clock,
                    std::uint32_t seed = 1);
    // nullptr with a one-line message when the DEVICES text is malformed.
    static std::unique_ptr<SimPortProvider> FromText(const QString& devices, Clock& clock,
                                                     QString& error, std::uint32_t seed = 1);

    std::vector<QString> candidatePorts() override;
    std::vector<UsbDeviceInfo> enumerateDevices() override;
    std::unique_ptr<Transport> open(const QString& portName) override;

    SimWorld& world() { return *world_; }
    int portCount() const { return static_cast<int>(ports_.size()); }
    QString portName(int port) const;
    SimDevice& device(int port) { return *ports_[port].device; }
    // The device on a port as a spectrometer / LED unit; nullptr when it is not one.
    SimSpectrometer* spectrometer(int port);
    bool isOpen(int port) const { return *ports_[port].held; }
    bool bridgeConfigured(int port) const { return ports_[port].device->linkReady(); }

  private:
    struct Port {
        SimDeviceSpec deviceSpec;
        std::shared_ptr<SimDevice> device;
        std::shared_ptr<std::atomic<bool>> held;  // ports open on their own threads
    };
    std::shared_ptr<SimWorld> world_;  // shared with open transports, which may outlive this
    std::vector<Port> ports_;
};
