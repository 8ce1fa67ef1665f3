#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "device/PortDiagnostics.h"
#include "device/PortProvider.h"
#include "device/TraceLog.h"
#include "device/Transport.h"

// A port that writes one trace line per exchange and otherwise passes every
// call through unchanged. A write and the read after it make one line; a
// write with no read after it (a short write, a request without reply) gets
// its line when the next write comes or the port closes.
class TracingTransport final : public Transport {
  public:
    TracingTransport(std::unique_ptr<Transport> inner, std::shared_ptr<TraceLog> log);
    ~TracingTransport() override;

    std::size_t write(std::span<const std::uint8_t> bytes) override;
    bool read(std::span<std::uint8_t> into) override;
    void configureBridge() override { inner_->configureBridge(); }
    QString portName() const override { return inner_->portName(); }
    bool gone() const override { return inner_->gone(); }

  private:
    void addLine(std::size_t requested, std::size_t received, std::int64_t endUs);

    std::unique_ptr<Transport> inner_;
    std::shared_ptr<TraceLog> log_;
    std::string port_;  // UTF-8, made once

    // The request of the current exchange.
    std::array<std::uint8_t, 8> request_{};
    std::size_t requestBytes_ = 0;
    std::size_t written_ = 0;
    std::int64_t wallMs_ = 0;
    std::int64_t startUs_ = 0;     // steady time of the write (of the last read after a line)
    std::int64_t writeEndUs_ = 0;  // steady time at the end of the write
    bool pending_ = false;         // written, no line yet
    bool haveRequest_ = false;
};

// A port provider that hands out every opened port wrapped in a
// TracingTransport; everything else goes to the provider it wraps.
class TracingPortProvider final : public PortProvider, public PortOpenReporter {
  public:
    TracingPortProvider(std::unique_ptr<PortProvider> inner, std::shared_ptr<TraceLog> log);

    std::vector<QString> candidatePorts() override { return inner_->candidatePorts(); }
    std::vector<UsbDeviceInfo> enumerateDevices() override { return inner_->enumerateDevices(); }
    std::unique_ptr<Transport> open(const QString& portName) override;
    // The wrapped provider's answer; None when it cannot tell.
    PortOpenFailure lastOpenFailure(const QString& portName) const override;

    PortProvider& inner() { return *inner_; }
    TraceLog& log() { return *log_; }

  private:
    std::unique_ptr<PortProvider> inner_;
    std::shared_ptr<TraceLog> log_;
};
