#include "sim/real_clock.h"

#include <algorithm>
#include <thread>

namespace tavrin::sim {

RealClock::RealClock() : origin_(SteadyClock::now()) {}

Micros RealClock::realNow() const {
    return std::chrono::duration_cast<std::chrono::microseconds>(SteadyClock::now() - origin_)
        .count();
}

Micros RealClock::now() {
    Micros real = realNow();
    return debt_ > 0 ? std::max(real, debtFrom_ + debt_) : real;
}

void RealClock::sleepUntil(Micros at) {
    // Some C runtimes round a sleep below a millisecond down to none; sleep
    // on until the clock has really got there.
    while (realNow() < at) {
        std::this_thread::sleep_until(origin_ + std::chrono::microseconds(at));
        if (realNow() < at) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
}

void RealClock::payDebt() {
    if (debt_ > 0) {
        paidUntil_ = debtFrom_ + debt_;
        polling_ = true;
        debt_ = 0;
        sleepUntil(paidUntil_);
    }
}

void RealClock::spend(Micros duration) {
    if (duration <= 0) {
        return;
    }
    if (debt_ == 0) {
        // A batch that follows the last one closely continues from its end,
        // so that the sleeps' own lateness does not add up over a long poll.
        Micros real = realNow();
        debtFrom_ = polling_ && real - paidUntil_ <= kCatchUp ? paidUntil_ : real;
    }
    debt_ += duration;
    if (debt_ >= kSpendBatch) {
        payDebt();
    }
}

void RealClock::post(Micros at, std::function<void()> fn) {
    queue_.post(at, std::move(fn));
}

void RealClock::runEvents(Micros maxWait) {
    payDebt();
    polling_ = false;  // time spent from here on starts afresh
    if (queue_.runDue(realNow())) {
        return;
    }
    Micros target = realNow() + std::max<Micros>(maxWait, 0);
    if (auto next = queue_.next(); next && *next < target) {
        target = *next;
    }
    sleepUntil(target);
    queue_.runDue(realNow());
}

}  // namespace tavrin::sim
