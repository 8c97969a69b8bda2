#include "sim/virtual_clock.h"

#include <algorithm>

namespace tavrin::sim {

void VirtualClock::spend(Micros duration) {
    now_ += std::max<Micros>(duration, 0);
}

void VirtualClock::post(Micros at, std::function<void()> fn) {
    queue_.post(at, std::move(fn));
}

void VirtualClock::runEvents(Micros maxWait) {
    if (queue_.runDue(now_)) {
        return;
    }
    Micros target = now_ + std::max<Micros>(maxWait, 0);
    if (auto next = queue_.next(); next && *next < target) {
        target = *next;
    }
    now_ = std::max(now_, target);
    queue_.runDue(now_);
}

void VirtualClock::runUntil(Micros until) {
    while (now_ < until) {
        runEvents(until - now_);
    }
    queue_.runDue(now_);
}

}  // namespace tavrin::sim
