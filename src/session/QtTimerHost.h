#pragma once

#include <functional>
#include <map>
#include <set>

#include <QObject>

#include "session/TimerHost.h"

class QTimer;

// One single-shot QTimer per id; a firing is handed to the given function on
// the user-interface thread.
class QtTimerHost : public QObject, public TimerHost {
    Q_OBJECT
  public:
    explicit QtTimerHost(std::function<void(int id)> onFire, QObject* parent = nullptr);

    void start(int id, int ms) override;
    void stop(int id) override;
    bool isActive(int id) const override;
    // Remaining time of an active timer, -1 when inactive (for tests).
    int remainingMs(int id) const;
    // While held, firings are kept back; releasing hands them on at once.
    void setHeld(bool held);
    // What a timer's expiry does: hand the firing on, or keep it back while held.
    void fire(int id);

  private:
    QTimer* timer(int id);

    std::function<void(int)> onFire_;
    std::map<int, QTimer*> timers_;
    std::set<int> deferred_;
    bool held_ = false;
};
