#pragma once
// The simulated PC around the program: the millisecond counter, the event
// pump, Timer1, the thread keyboard hook and the version query, all on one
// SimClock. The keyboard's typing reaches the program only here, through
// the installed hook, from inside the event pump.

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "platform/event_pump.h"
#include "platform/keyboard_hook.h"
#include "platform/tick_counter.h"
#include "platform/timer.h"
#include "platform/version_query.h"
#include "sim/event_queue.h"
#include "sim/sim_clock.h"

namespace tavrin::sim {

class SimHost : public platform::TickCounter,
                public platform::EventPump,
                public platform::Timer,
                public platform::KeyboardHookApi,
                public platform::VersionQuery {
public:
    static constexpr Micros kTimerPeriod = 1'000'000;  // Timer1, 1000 ms

    struct Options {
        // nullopt makes the version query fail.
        std::optional<platform::OsVersionInfo> osVersion = platform::OsVersionInfo{2, 5, 1};
        // GetTickCount at clock time 0, so that tests can start near the wrap.
        std::uint32_t tickCountAtZero = 0;
    };

    // One keystroke as the system saw it.
    struct Keystroke {
        Micros at;
        std::uint8_t virtualKey;
        std::uint8_t scanCode;
        bool keyUp;
        bool delivered;  // false: no hook was installed, it went elsewhere
    };

    struct PassedOn {
        platform::HookHandle hook;
        int code;
        std::uintptr_t wParam;
        std::intptr_t lParam;
    };

    explicit SimHost(SimClock& clock) : SimHost(clock, Options{}) {}
    SimHost(SimClock& clock, Options options);

    SimClock& clock() { return clock_; }

    // TickCounter: clock milliseconds plus the start offset, wrapping.
    std::uint32_t GetTickCount() override;

    // EventPump.
    void processEvents(std::uint32_t maxWaitMs) override;

    // Timer (Timer1).
    void setHandler(std::function<void()> handler) override;
    void setEnabled(bool enabled) override;
    bool enabled() const override { return timerEnabled_; }
    int timerTicks() const { return timerTicks_; }

    // KeyboardHookApi: one hook at a time; a second installation fails.
    platform::HookHandle SetWindowsHookEx(platform::HookProc proc) override;
    bool UnhookWindowsHookEx(platform::HookHandle hook) override;
    std::int32_t CallNextHookEx(platform::HookHandle hook, int code, std::uintptr_t wParam,
                                std::intptr_t lParam) override;
    bool hookInstalled() const { return static_cast<bool>(hookProc_); }
    const std::vector<PassedOn>& passedOn() const { return passedOn_; }

    // VersionQuery.
    std::optional<platform::OsVersionInfo> GetVersionEx() override { return osVersion_; }
    void setOsVersion(std::optional<platform::OsVersionInfo> info) { osVersion_ = info; }

    // A keystroke now: the hook gets code 0, wParam = virtual key and
    // lParam = scan code << 16, bit 31 for a key-up. Call it from an event
    // run by the pump, as the keyboard does; typeKeyAt posts one.
    void typeKey(std::uint8_t virtualKey, std::uint8_t scanCode, bool keyUp = false);
    void typeKeyAt(Micros at, std::uint8_t virtualKey, std::uint8_t scanCode, bool keyUp = false);

    const std::vector<Keystroke>& keystrokes() const { return keystrokes_; }
    int typedElsewhere() const { return typedElsewhere_; }

private:
    void scheduleTick(Micros at, std::uint64_t generation);

    SimClock& clock_;
    std::optional<platform::OsVersionInfo> osVersion_;
    std::uint32_t tickCountAtZero_;

    std::function<void()> timerHandler_;
    bool timerEnabled_ = false;
    std::uint64_t timerGeneration_ = 0;  // a tick of an older generation was cancelled
    int timerTicks_ = 0;

    platform::HookProc hookProc_;
    platform::HookHandle hookHandle_ = 0;
    platform::HookHandle lastHandle_ = 0;
    std::vector<PassedOn> passedOn_;

    std::vector<Keystroke> keystrokes_;
    int typedElsewhere_ = 0;

    AliveToken alive_;
};

}  // namespace tavrin::sim
