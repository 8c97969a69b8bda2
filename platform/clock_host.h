#pragma once
// The PC around the program where no Windows is: the millisecond counter,
// the event pump, Timer1, the thread keyboard hook and the version query,
// all on one Clock. Keystrokes (the simulated keyboard's typing, or those
// decoded from the kernel's raw port) reach the program only here, through
// the installed hook, from inside the event pump.

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "platform/clock.h"
#include "platform/event_pump.h"
#include "platform/event_queue.h"
#include "platform/keyboard_hook.h"
#include "platform/tick_counter.h"
#include "platform/timer.h"
#include "platform/version_query.h"

namespace tavrin::platform {

class ClockHost : public TickCounter,
                  public EventPump,
                  public Timer,
                  public KeyboardHookApi,
                  public VersionQuery {
public:
    static constexpr Micros kTimerPeriod = 1'000'000;  // Timer1, 1000 ms

    struct Options {
        // nullopt makes the version query fail.
        std::optional<OsVersionInfo> osVersion = OsVersionInfo{2, 5, 1};
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
        HookHandle hook;
        int code;
        std::uintptr_t wParam;
        std::intptr_t lParam;
    };

    explicit ClockHost(Clock& clock) : ClockHost(clock, Options{}) {}
    ClockHost(Clock& clock, Options options);

    Clock& clock() { return clock_; }

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
    HookHandle SetWindowsHookEx(HookProc proc) override;
    bool UnhookWindowsHookEx(HookHandle hook) override;
    std::int32_t CallNextHookEx(HookHandle hook, int code, std::uintptr_t wParam,
                                std::intptr_t lParam) override;
    bool hookInstalled() const { return static_cast<bool>(hookProc_); }
    const std::vector<PassedOn>& passedOn() const { return passedOn_; }

    // VersionQuery.
    std::optional<OsVersionInfo> GetVersionEx() override { return osVersion_; }
    void setOsVersion(std::optional<OsVersionInfo> info) { osVersion_ = info; }

    // A keystroke now: the hook gets code 0, wParam = virtual key and
    // lParam = scan code << 16, bit 31 for a key-up. Call it from an event
    // run by the pump, as the keyboard does; typeKeyAt posts one.
    void typeKey(std::uint8_t virtualKey, std::uint8_t scanCode, bool keyUp = false);
    void typeKeyAt(Micros at, std::uint8_t virtualKey, std::uint8_t scanCode, bool keyUp = false);

    const std::vector<Keystroke>& keystrokes() const { return keystrokes_; }
    int typedElsewhere() const { return typedElsewhere_; }

private:
    void scheduleTick(Micros at, std::uint64_t generation);

    Clock& clock_;
    std::optional<OsVersionInfo> osVersion_;
    std::uint32_t tickCountAtZero_;

    std::function<void()> timerHandler_;
    bool timerEnabled_ = false;
    std::uint64_t timerGeneration_ = 0;  // a tick of an older generation was cancelled
    int timerTicks_ = 0;

    HookProc hookProc_;
    HookHandle hookHandle_ = 0;
    HookHandle lastHandle_ = 0;
    std::vector<PassedOn> passedOn_;

    std::vector<Keystroke> keystrokes_;
    int typedElsewhere_ = 0;

    AliveToken alive_;
};

}  // namespace tavrin::platform
