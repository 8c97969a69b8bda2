#pragma once
// The window's real-time clock on the Windows API: a thread timer wakes
// the simulated keyboard's events, and waits sleep in
// MsgWaitForMultipleObjects.

#include <cstdint>
#include <functional>

#include "app/real_clock.h"

namespace tavrin::winui {

class WinSimClock : public app::RealClock {
public:
    // dispatch handles every pending message, true when there was one.
    explicit WinSimClock(std::function<bool()> dispatch);
    ~WinSimClock() override;
    WinSimClock(const WinSimClock&) = delete;
    WinSimClock& operator=(const WinSimClock&) = delete;

private:
    void setWakeTimer(int ms) override;
    bool dispatchPending() override { return dispatch_(); }
    void waitForEvents(platform::Micros wait) override;

    std::function<bool()> dispatch_;
    std::uintptr_t timer_ = 0;
};

}  // namespace tavrin::winui
