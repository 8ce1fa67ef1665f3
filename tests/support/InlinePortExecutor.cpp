#include "support/InlinePortExecutor.h"

namespace {
class InlineChannel final : public PortChannel {
  public:
    InlineChannel(PortProvider& provider, const QString& name, Clock& clock)
        : access_(provider, name, [&clock](int ms) { clock.sleepMs(ms); }) {}
    void post(Work work, Done done) override {
        if (work)
            work(access_);
        if (done)
            done();
    }

  private:
    PortAccess access_;
};
}  // namespace

std::shared_ptr<PortChannel> InlinePortExecutor::channel(PortProvider& provider,
                                                         const QString& name) {
    return std::make_shared<InlineChannel>(provider, name, clock_);
}
