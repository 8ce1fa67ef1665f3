#include "support/ClockTimerHost.h"

void ClockTimerHost::start(int id, int ms) {
    const std::uint32_t delay = ms > 0 ? static_cast<std::uint32_t>(ms) : 0u;
    armed_[id] = {clock_.tickMs() + delay, starts_++};
}

int ClockTimerHost::WaitNext() {
    if (armed_.empty())
        return -1;
    const std::uint32_t now = clock_.tickMs();
    // Remaining time as a signed difference, so the wrap of the tick count
    // does not disturb the order.
    auto remaining = [now](const Armed& a) { return static_cast<std::int32_t>(a.due - now); };
    auto next = armed_.begin();
    for (auto it = armed_.begin(); it != armed_.end(); ++it) {
        const std::int32_t r = remaining(it->second);
        const std::int32_t best = remaining(next->second);
        if (r < best || (r == best && it->second.order < next->second.order))
            next = it;
    }
    const int id = next->first;
    const std::int32_t wait = remaining(next->second);
    armed_.erase(next);
    if (wait > 0)
        clock_.sleepMs(wait);
    return id;
}
