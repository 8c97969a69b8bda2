#pragma once
// Wall-clock time for running the simulated keyboard interactively: time
// is the steady clock, the event pump sleeps until the next event, and
// time spent on port reads is paid by sleeping in batches, so a controller
// that keeps the program polling costs wall time but almost no CPU.
// All calls come from the one user-interface thread.

#include <chrono>

#include "sim/event_queue.h"
#include "sim/sim_clock.h"

namespace tavrin::sim {

class RealClock : public SimClock {
public:
    // Spent time is paid once this much has accumulated.
    static constexpr Micros kSpendBatch = 200;
    // How late a batch may start and still continue the one before it:
    // more than a coarse system timer oversleeps (about 15 ms on Windows).
    static constexpr Micros kCatchUp = 20'000;

    RealClock();

    // Microseconds since construction, including spent time not yet slept.
    Micros now() override;
    void spend(Micros duration) override;
    void post(Micros at, std::function<void()> fn) override;
    void runEvents(Micros maxWait) override;

private:
    using SteadyClock = std::chrono::steady_clock;
    Micros realNow() const;
    void sleepUntil(Micros at);
    void payDebt();

    SteadyClock::time_point origin_;
    Micros debtFrom_ = 0;   // when the unpaid time began
    Micros paidUntil_ = 0;  // end of the last batch slept
    bool polling_ = false;  // batches since the pump last ran follow each other
    Micros debt_ = 0;       // spent and not yet slept
    EventQueue queue_;
};

}  // namespace tavrin::sim
