#pragma once
// Wall-clock time for the simulated keyboard: waits sleep until the next
// event, and time spent on port reads is paid by sleeping in batches, so a
// polling controller costs wall time but almost no CPU. A window lends its
// toolkit's timer and loop: the keyboard then types whichever loop runs.

#include <chrono>
#include <cstddef>

#include "platform/clock.h"
#include "platform/event_queue.h"

namespace tavrin::app {

class RealClock : public platform::Clock {
public:
    // Spent time is paid once this much has accumulated.
    static constexpr platform::Micros kSpendBatch = 200;
    // How late a batch may start and still continue the one before it:
    // more than a coarse system timer oversleeps (about 15 ms on Windows).
    static constexpr platform::Micros kCatchUp = 20'000;

    RealClock();

    // Microseconds since construction, including spent time not yet slept.
    platform::Micros now() override;
    void spend(platform::Micros duration) override;
    void post(platform::Micros at, std::function<void()> fn) override;
    void runEvents(platform::Micros maxWait) override;

    std::size_t pendingEvents() const { return queue_.size(); }
    // The toolkit timer's tick: what is due runs, and the timer is set again.
    void wake();

protected:
    // A single-shot timer that calls wake() in ms milliseconds; stopped
    // when ms is negative. Without a toolkit there is none.
    virtual void setWakeTimer(int ms) { (void)ms; }
    // Handles every pending toolkit event; true when there was one.
    virtual bool dispatchPending() { return false; }
    // Sleeps until an event comes or at most wait has passed, and handles
    // what came.
    virtual void waitForEvents(platform::Micros wait) { sleepUntil(realNow() + wait); }

private:
    using SteadyClock = std::chrono::steady_clock;
    platform::Micros realNow() const;
    void sleepUntil(platform::Micros at);
    void payDebt();
    bool runDue();
    void arm();

    SteadyClock::time_point origin_;
    platform::Micros debtFrom_ = 0;   // when the unpaid time began
    platform::Micros paidUntil_ = 0;  // end of the last batch slept
    bool polling_ = false;            // batches since the pump last ran follow each other
    platform::Micros debt_ = 0;       // spent and not yet slept
    platform::EventQueue queue_;
};

}  // namespace tavrin::app
