#include "session/QtTimerHost.h"

#include <utility>

#include <QTimer>

QtTimerHost::QtTimerHost(std::function<void(int)> onFire, QObject* parent)
    : QObject(parent), onFire_(std::move(onFire)) {}

QTimer* QtTimerHost::timer(int id) {
    auto it = timers_.find(id);
    if (it != timers_.end())
        return it->second;
    auto* t = new QTimer(this);
    t->setSingleShot(true);
    t->setTimerType(Qt::PreciseTimer);
    connect(t, &QTimer::timeout, this, [this, id] { fire(id); });
    timers_[id] = t;
    return t;
}

void QtTimerHost::start(int id, int ms) {
    timer(id)->start(std::max(ms, 0));
}

void QtTimerHost::stop(int id) {
    deferred_.erase(id);
    auto it = timers_.find(id);
    if (it != timers_.end())
        it->second->stop();
}

bool QtTimerHost::isActive(int id) const {
    if (deferred_.count(id))
        return true;
    auto it = timers_.find(id);
    return it != timers_.end() && it->second->isActive();
}

void QtTimerHost::fire(int id) {
    if (held_) {
        // Kept back until the hold ends, and still counted as pending.
        deferred_.insert(id);
        return;
    }
    if (onFire_)
        onFire_(id);
}

void QtTimerHost::setHeld(bool held) {
    held_ = held;
    if (held)
        return;
    const std::set<int> due = std::exchange(deferred_, {});
    for (int id : due)
        timer(id)->start(0);
}

int QtTimerHost::remainingMs(int id) const {
    auto it = timers_.find(id);
    return it != timers_.end() && it->second->isActive() ? it->second->remainingTime() : -1;
}
