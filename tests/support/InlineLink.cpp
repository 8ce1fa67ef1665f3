#include "support/InlineLink.h"

namespace {
class NoPortsProvider final : public PortProvider {
  public:
    std::vector<QString> candidatePorts() override { return {}; }
    std::vector<UsbDeviceInfo> enumerateDevices() override { return {}; }
    std::unique_ptr<Transport> open(const QString&) override { return nullptr; }
};

class OpenChannel final : public PortChannel {
  public:
    explicit OpenChannel(std::unique_ptr<Transport> port)
        : access_(provider_, port ? port->portName() : QString(), {}) {
        access_.adopt(std::move(port));
    }
    void post(Work work, Done done) override {
        if (work)
            work(access_);
        if (done)
            done();
    }
    void cancelPending() override {}

  private:
    NoPortsProvider provider_;
    PortAccess access_;
};
}  // namespace

std::shared_ptr<PortChannel> ChannelOver(std::unique_ptr<Transport> port) {
    return std::make_shared<OpenChannel>(std::move(port));
}
