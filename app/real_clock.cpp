#include "app/real_clock.h"

#include <algorithm>
#include <thread>

namespace tavrin::app {

RealClock::RealClock() : origin_(SteadyClock::now()) {}

platform::Micros RealClock::realNow() const {
    return std::chrono::duration_cast<std::chrono::microseconds>(SteadyClock::now() - origin_)
        .count();
}

platform::Micros RealClock::now() {
    platform::Micros real = realNow();
    return debt_ > 0 ? std::max(real, debtFrom_ + debt_) : real;
}

void RealClock::sleepUntil(platform::Micros at) {
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

void RealClock::spend(platform::Micros duration) {
    if (duration <= 0) {
        return;
    }
    if (debt_ == 0) {
        // A batch that follows the last one closely continues from its end,
        // so that the sleeps' own lateness does not add up over a long poll.
        platform::Micros real = realNow();
        debtFrom_ = polling_ && real - paidUntil_ <= kCatchUp ? paidUntil_ : real;
    }
    debt_ += duration;
    if (debt_ >= kSpendBatch) {
        payDebt();
    }
}

void RealClock::post(platform::Micros at, std::function<void()> fn) {
    queue_.post(at, std::move(fn));
    arm();
}

bool RealClock::runDue() {
    payDebt();
    return queue_.runDue(now());
}

void RealClock::arm() {
    const auto next = queue_.next();
    if (!next) {
        setWakeTimer(-1);
        return;
    }
    const platform::Micros delay = std::max<platform::Micros>(*next - now(), 0);
    setWakeTimer(static_cast<int>((delay + 999) / 1000));
}

void RealClock::wake() {
    runDue();
    arm();
}

void RealClock::runEvents(platform::Micros maxWait) {
    const bool ran = runDue();
    polling_ = false;  // time spent from here on starts afresh
    arm();
    if (dispatchPending() || ran) {
        return;
    }
    platform::Micros wait = std::max<platform::Micros>(maxWait, 0);
    if (const auto next = queue_.next()) {
        wait = std::min(wait, std::max<platform::Micros>(*next - now(), 0));
    }
    if (wait > 0) {
        // A toolkit's wake timer runs the keyboard's events from inside
        // this wait.
        waitForEvents(wait);
    }
    runDue();
    arm();
}

}  // namespace tavrin::app
