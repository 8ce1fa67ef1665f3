#pragma once

#include <functional>
#include <memory>
#include <utility>

#include <QString>

#include "device/PortDiagnostics.h"
#include "device/PortProvider.h"
#include "device/Transport.h"

// What a piece of port work sees, on the port's own thread: the port (open or
// not), and the means to open it by name, close it and keep it quiet a while.
class PortAccess {
  public:
    using WaitFn = std::function<void(int ms)>;
    PortAccess(PortProvider& provider, QString name, WaitFn wait);
    ~PortAccess();
    PortAccess(const PortAccess&) = delete;
    PortAccess& operator=(const PortAccess&) = delete;

    const QString& name() const { return name_; }
    // The open port, or nullptr while it is closed.
    Transport* transport() const { return transport_.get(); }
    // Opens the port (closing it first if it was open). On failure the
    // provider's reason, when it can tell one, is kept in openFailure().
    bool open();
    void close() { transport_.reset(); }
    // Opens the port under another name (a device plugged back in may get a
    // new one); the access keeps that name from then on.
    bool openAt(const QString& name) {
        name_ = name;
        return open();
    }
    void rename(const QString& name) { name_ = name; }
    PortProvider& provider() { return provider_; }
    // Takes a port that is open already (a test's scripted port).
    void adopt(std::unique_ptr<Transport> port) { transport_ = std::move(port); }
    const PortOpenFailure& openFailure() const { return openFailure_; }
    // Sends nothing for ms milliseconds (a device settling after identification).
    void waitQuietly(int ms) {
        if (ms > 0 && wait_)
            wait_(ms);
    }

  private:
    PortProvider& provider_;
    QString name_;
    WaitFn wait_;
    std::unique_ptr<Transport> transport_;
    PortOpenFailure openFailure_;
};

// One port's exchanges, run strictly one after another in the order asked.
// Work runs on the port's own thread (or at once, in tests); each `done` runs
// afterwards on the thread that owns the channel, in the same order. Results
// travel by value: the work fills a value that `done` then takes (see Ask).
// Destroying the channel drops the work not yet started, and no `done` of it
// runs; the port is closed on its own thread.
class PortChannel {
  public:
    using Work = std::function<void(PortAccess&)>;
    using Done = std::function<void()>;
    virtual ~PortChannel() = default;

    virtual void post(Work work, Done done = {}) = 0;
};

// Runs `work(access)` on the channel and hands its result to `done(result)`.
template <class Result, class WorkFn, class DoneFn>
void Ask(PortChannel& channel, WorkFn work, DoneFn done) {
    auto result = std::make_shared<Result>();
    channel.post([result, work = std::move(work)](PortAccess& port) { *result = work(port); },
                 [result, done = std::move(done)]() mutable { done(std::move(*result)); });
}

// Makes the channels: one per port, each over the given provider.
class PortExecutor {
  public:
    virtual ~PortExecutor() = default;
    virtual std::shared_ptr<PortChannel> channel(PortProvider& provider, const QString& name) = 0;
};
