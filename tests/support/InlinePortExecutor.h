#pragma once

#include "device/Clock.h"
#include "device/PortChannel.h"

// Runs every piece of port work at once on the caller's thread, then its
// `done`: the whole program behaves as one thread that waits on each port in
// turn. Tests of the view logic and the cycle use it with a fake clock, whose
// quiet waits just move the clock on.
class InlinePortExecutor : public PortExecutor {
  public:
    explicit InlinePortExecutor(Clock& clock) : clock_(clock) {}
    std::shared_ptr<PortChannel> channel(PortProvider& provider, const QString& name) override;

  private:
    Clock& clock_;
};
