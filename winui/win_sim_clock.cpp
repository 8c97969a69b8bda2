#include "winui/win_sim_clock.h"

#include <algorithm>
#include <thread>

#include "winui/win_api.h"

namespace tavrin::winui {

namespace {

// One clock per program: the thread timer's callback finds it here.
WinSimClock* g_clock = nullptr;

void CALLBACK onWake(HWND, UINT, UINT_PTR, DWORD) {
    if (g_clock != nullptr) {
        g_clock->wake();
    }
}

}  // namespace

WinSimClock::WinSimClock(std::function<bool()> dispatch)
    : dispatch_(std::move(dispatch)), origin_(std::chrono::steady_clock::now()) {
    g_clock = this;
}

WinSimClock::~WinSimClock() {
    if (timer_ != 0) {
        KillTimer(nullptr, timer_);
    }
    g_clock = nullptr;
}

sim::Micros WinSimClock::realNow() const {
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() -
                                                                 origin_)
        .count();
}

sim::Micros WinSimClock::now() {
    return debt_.now(realNow());
}

void WinSimClock::payDebt() {
    const sim::Micros until = debt_.settle();
    while (realNow() < until) {
        std::this_thread::sleep_for(std::chrono::microseconds(until - realNow()));
    }
}

void WinSimClock::spend(sim::Micros duration) {
    if (debt_.spend(duration, realNow())) {
        payDebt();
    }
}

void WinSimClock::post(sim::Micros at, std::function<void()> fn) {
    queue_.post(at, std::move(fn));
    arm();
}

bool WinSimClock::runDue() {
    payDebt();
    return queue_.runDue(now());
}

void WinSimClock::arm() {
    const auto next = queue_.next();
    if (!next) {
        if (timer_ != 0) {
            KillTimer(nullptr, timer_);
            timer_ = 0;
        }
        return;
    }
    const sim::Micros delay = std::max<sim::Micros>(*next - now(), 0);
    const auto ms =
        static_cast<UINT>(std::max<sim::Micros>((delay + 999) / 1000, USER_TIMER_MINIMUM));
    timer_ = SetTimer(nullptr, timer_, ms, onWake);
}

void WinSimClock::wake() {
    runDue();
    arm();
}

void WinSimClock::runEvents(sim::Micros maxWait) {
    const bool ran = runDue();
    arm();
    if (dispatch_() || ran) {
        return;
    }
    sim::Micros wait = std::max<sim::Micros>(maxWait, 0);
    if (const auto next = queue_.next()) {
        wait = std::min(wait, std::max<sim::Micros>(*next - now(), 0));
    }
    if (wait > 0) {
        const auto ms = static_cast<DWORD>((wait + 999) / 1000);
        MsgWaitForMultipleObjectsEx(0, nullptr, ms, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        dispatch_();
    }
    runDue();
    arm();
}

}  // namespace tavrin::winui
