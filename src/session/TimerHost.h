#pragma once

// One-shot timers by id, owned by the main view. start() (re)arms the timer of
// that id to fire once after ms milliseconds; the owner then calls the cycle's
// OnTimer(id) on the user-interface thread. A fired timer is no longer active.
class TimerHost {
  public:
    virtual ~TimerHost() = default;
    virtual void start(int id, int ms) = 0;
    virtual void stop(int id) = 0;
    virtual bool isActive(int id) const = 0;
};
