#include "winui/win_sim_clock.h"

#include <algorithm>

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

WinSimClock::WinSimClock(std::function<bool()> dispatch) : dispatch_(std::move(dispatch)) {
    g_clock = this;
}

WinSimClock::~WinSimClock() {
    setWakeTimer(-1);
    g_clock = nullptr;
}

void WinSimClock::setWakeTimer(int ms) {
    if (ms >= 0) {
        const auto due = static_cast<UINT>(std::max<int>(ms, USER_TIMER_MINIMUM));
        timer_ = SetTimer(nullptr, timer_, due, onWake);
    } else if (timer_ != 0) {
        KillTimer(nullptr, timer_);
        timer_ = 0;
    }
}

void WinSimClock::waitForEvents(platform::Micros wait) {
    const auto ms = static_cast<DWORD>((wait + 999) / 1000);
    MsgWaitForMultipleObjectsEx(0, nullptr, ms, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    dispatch_();
}

}  // namespace tavrin::winui
