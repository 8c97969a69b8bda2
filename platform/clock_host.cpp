#include "platform/clock_host.h"

namespace tavrin::platform {

ClockHost::ClockHost(Clock& clock, Options options)
    : clock_(clock), osVersion_(options.osVersion), tickCountAtZero_(options.tickCountAtZero) {}

std::uint32_t ClockHost::GetTickCount() {
    auto ms = static_cast<std::uint64_t>(clock_.now() / 1000);
    return static_cast<std::uint32_t>(ms + tickCountAtZero_);
}

void ClockHost::processEvents(std::uint32_t maxWaitMs) {
    clock_.runEvents(static_cast<Micros>(maxWaitMs) * 1000);
}

void ClockHost::setHandler(std::function<void()> handler) {
    timerHandler_ = std::move(handler);
}

void ClockHost::setEnabled(bool enabled) {
    if (enabled && !timerEnabled_) {
        // A stopped timer starts a new period; a running one keeps its phase.
        scheduleTick(clock_.now() + kTimerPeriod, ++timerGeneration_);
    } else if (!enabled && timerEnabled_) {
        ++timerGeneration_;
    }
    timerEnabled_ = enabled;
}

void ClockHost::scheduleTick(Micros at, std::uint64_t generation) {
    clock_.post(at, alive_.guard([this, at, generation] {
        if (!timerEnabled_ || generation != timerGeneration_) {
            return;
        }
        ++timerTicks_;
        // The next tick is posted first, so a handler that stops the timer
        // cancels it.
        scheduleTick(at + kTimerPeriod, generation);
        if (timerHandler_) {
            timerHandler_();
        }
    }));
}

HookHandle ClockHost::SetWindowsHookEx(HookProc proc) {
    if (hookProc_ || !proc) {
        return 0;
    }
    hookProc_ = std::move(proc);
    hookHandle_ = ++lastHandle_;
    return hookHandle_;
}

bool ClockHost::UnhookWindowsHookEx(HookHandle hook) {
    if (!hookProc_ || hook != hookHandle_) {
        return false;
    }
    hookProc_ = nullptr;
    hookHandle_ = 0;
    return true;
}

std::int32_t ClockHost::CallNextHookEx(HookHandle hook, int code, std::uintptr_t wParam,
                                       std::intptr_t lParam) {
    passedOn_.push_back({hook, code, wParam, lParam});
    return 0;  // no further hook
}

void ClockHost::typeKey(std::uint8_t virtualKey, std::uint8_t scanCode, bool keyUp) {
    std::uint32_t flags = static_cast<std::uint32_t>(scanCode) << 16;
    if (keyUp) {
        flags |= 0x80000000u;
    }
    bool delivered = static_cast<bool>(hookProc_);
    keystrokes_.push_back({clock_.now(), virtualKey, scanCode, keyUp, delivered});
    if (!delivered) {
        ++typedElsewhere_;
        return;
    }
    // Copied: the hook procedure may unhook itself.
    auto proc = hookProc_;
    proc(0, virtualKey, static_cast<std::intptr_t>(flags));
}

void ClockHost::typeKeyAt(Micros at, std::uint8_t virtualKey, std::uint8_t scanCode, bool keyUp) {
    clock_.post(at, alive_.guard([this, virtualKey, scanCode, keyUp] {
        typeKey(virtualKey, scanCode, keyUp);
    }));
}

}  // namespace tavrin::platform
