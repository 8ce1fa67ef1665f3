#pragma once

#include <functional>
#include <memory>

#include <QSerialPort>
#include <QString>

#include "device/Transport.h"

// A device's serial port. It is opened for reading and writing and held
// exclusively; apart from configureBridge() the port keeps the settings it was
// opened with. Every wait is bounded by ReplyTimeoutMs, so a silent device never
// hangs the caller.
class SerialTransport final : public Transport {
  public:
    // Opens the port at `path` (e.g. "/dev/ttyUSB0", "COM7"); nullptr when it
    // does not exist or is held by anyone, this program included; the port's
    // error and its text then go to `error` and `errorText` when given.
    static std::unique_ptr<SerialTransport> Open(const QString& path, const QString& portName,
                                                 QSerialPort::SerialPortError* error = nullptr,
                                                 QString* errorText = nullptr);
    ~SerialTransport() override;

    std::size_t write(std::span<const std::uint8_t> bytes) override;
    bool read(std::span<std::uint8_t> into) override;
    void configureBridge() override;
    QString portName() const override { return portName_; }
    bool gone() const override { return port_.error() == QSerialPort::ResourceError; }

    // Called once when the port is closed (the provider's record of held ports).
    void setOnClose(std::function<void()> onClose) { onClose_ = std::move(onClose); }

  private:
    SerialTransport(const QString& path, const QString& portName);

    QSerialPort port_;
    QString portName_;
    std::function<void()> onClose_;
};
