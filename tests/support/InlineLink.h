#pragma once

// Device links for tests whose port work runs at once on the test's thread
// (InlinePortExecutor): a detection or a read has finished when the call
// that asked for it returns.

#include <memory>

#include "device/DeviceLink.h"
#include "support/InlinePortExecutor.h"

struct InlineExecutorHolder {
    explicit InlineExecutorHolder(Clock& clock) : executor(clock) {}
    InlinePortExecutor executor;
};

class TestDeviceLink : private InlineExecutorHolder, public DeviceLink {
  public:
    TestDeviceLink(PortProvider& ports, Clock& clock, int settleMs = 3000)
        : InlineExecutorHolder(clock),
          DeviceLink(ports, clock, InlineExecutorHolder::executor, settleMs) {}
};

// Detection run to its end; the number of spectrometers found.
inline int DetectNow(DeviceLink& link) {
    int count = -1;
    link.DetectSpectrometers({}, [&count](int n) { count = n; });
    return count;
}

// The LED unit search and connect, run to its end.
inline void FindLedNow(DeviceLink& link) {
    link.FindAndConnectLedUnit({});
}

// A port provider with no ports (the tests put channels into slots themselves).
class NoPorts final : public PortProvider {
  public:
    std::vector<QString> candidatePorts() override { return {}; }
    std::vector<UsbDeviceInfo> enumerateDevices() override { return {}; }
    std::unique_ptr<Transport> open(const QString&) override { return nullptr; }
};

// A channel over a port that is open already (a scripted transport), whose
// work runs at once.
std::shared_ptr<PortChannel> ChannelOver(std::unique_ptr<Transport> port);
