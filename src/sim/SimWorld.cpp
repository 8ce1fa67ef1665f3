#include "sim/SimWorld.h"

SimWorld::SimWorld(Clock& clock, std::uint32_t seed)
    : clock_(clock), seed_(seed), lastTick_(clock.tickMs()) {}

double SimWorld::elapsedSeconds() {
    std::lock_guard lock(mutex_);
    const std::uint32_t now = clock_.tickMs();
    elapsedSeconds_ += static_cast<std::uint32_t>(now - lastTick_) / 1000.0;
    lastTick_ = now;
    return elapsedSeconds_;
}
