#pragma once

#include <memory>

#include <QObject>

#include "device/PortChannel.h"

// One worker thread per port: the port is opened, used and closed on its own
// thread, so the thread that owns the channels (the window's) never waits on a
// wire. Each `done` is handed back to the thread that made the executor, in
// the order the work ran, through that thread's event loop.
//
// The executor must outlive its channels. A channel that goes away drops its
// work not yet started, waits for the piece that is running (bounded by the
// port's read bounds; a quiet wait is cut short) and closes its port.
struct HandBack;

class WorkerPortExecutor final : public QObject, public PortExecutor {
    Q_OBJECT
  public:
    explicit WorkerPortExecutor(QObject* parent = nullptr);
    ~WorkerPortExecutor() override;
    std::shared_ptr<PortChannel> channel(PortProvider& provider, const QString& name) override;

  private:
    std::shared_ptr<HandBack> handBack_;  // shared with the channels' workers
};
