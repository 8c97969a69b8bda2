#pragma once
// The simulated keyboard in real time inside the window: its events are
// woken by a thread timer, so the keyboard types whichever message loop
// runs (the window's own, a dialog's, a message box's), and a wait of the
// core sleeps in MsgWaitForMultipleObjects instead of spinning.

#include <chrono>
#include <functional>

#include "sim/event_queue.h"
#include "sim/sim_clock.h"
#include "sim/time_debt.h"

namespace tavrin::winui {

class WinSimClock : public sim::SimClock {
public:
    // dispatch handles every pending message, true when there was one.
    explicit WinSimClock(std::function<bool()> dispatch);
    ~WinSimClock() override;
    WinSimClock(const WinSimClock&) = delete;
    WinSimClock& operator=(const WinSimClock&) = delete;

    sim::Micros now() override;
    void spend(sim::Micros duration) override;
    void post(sim::Micros at, std::function<void()> fn) override;
    void runEvents(sim::Micros maxWait) override;

    // The wake timer's tick.
    void wake();

private:
    sim::Micros realNow() const;
    void payDebt();
    bool runDue();
    void arm();

    std::function<bool()> dispatch_;
    std::chrono::steady_clock::time_point origin_;
    sim::TimeDebt debt_;
    sim::EventQueue queue_;
    std::uintptr_t timer_ = 0;
};

}  // namespace tavrin::winui
