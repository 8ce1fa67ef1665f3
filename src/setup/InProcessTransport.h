#pragma once

#include <chrono>
#include <functional>
#include <memory>

#include <QByteArray>

#include "device/Transport.h"
#include "sim/SimDevice.h"
#include "sim/SimDeviceSpec.h"

// The port of a simulated device: writes go straight to the device, and a read
// takes exactly the bytes asked for when the device has produced them, else it
// fails at once (there is nothing to wait for). A read that fails discards what
// had arrived, as a timed-out serial read does.
//
// With a wire time (baud=, latency_us=) the link takes real time instead: a
// read returns when the reply's last byte would have arrived, and a reply that
// does not come in full costs the read bound, as on a serial port.
class InProcessTransport final : public Transport {
  public:
    // `onClose` runs when the transport is destroyed; `onConfigure` when the
    // host sets the port up for the bridge.
    InProcessTransport(std::shared_ptr<SimDevice> device, QString portName,
                       std::function<void()> onConfigure = {}, std::function<void()> onClose = {},
                       SimWireTime wire = {});
    ~InProcessTransport() override;

    std::size_t write(std::span<const std::uint8_t> bytes) override;
    bool read(std::span<std::uint8_t> into) override;
    void configureBridge() override;
    QString portName() const override { return portName_; }

  private:
    std::shared_ptr<SimDevice> device_;
    QString portName_;
    std::function<void()> onConfigure_;
    std::function<void()> onClose_;
    SimWireTime wire_;
    QByteArray received_;
    std::chrono::steady_clock::time_point readyAt_{};  // the last reply byte is there
};
