#include "support/InlineLink.h"

namespace {
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

  private:
    NoPorts provider_;
    PortAccess access_;
};
}  // namespace

std::shared_ptr<PortChannel> ChannelOver(std::unique_ptr<Transport> port) {
    return std::make_shared<OpenChannel>(std::move(port));
}
