#pragma once

#include <functional>
#include <memory>

#include <QByteArray>

#include "device/Transport.h"
#include "sim/SimDevice.h"

// The port of a simulated device: writes go straight to the device, and a read
// takes exactly the bytes asked for when the device has produced them, else it
// fails at once (there is nothing to wait for). A read that fails discards what
// had arrived, as a timed-out serial read does.
class InProcessTransport final : public Transport {
  public:
    // `onClose` runs when the transport is destroyed; `onConfigure` when the
    // host sets the port up for the bridge.
    InProcessTransport(std::shared_ptr<SimDevice> device, QString portName,
                       std::function<void()> onConfigure = {}, std::function<void()> onClose = {});
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
    QByteArray received_;
};
