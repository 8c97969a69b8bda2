#pragma once
// The keyboard answers by typing: a thread keyboard hook stores and swallows
// every keystroke while a capture runs, and Timer1 bounds the wait.

#include <array>
#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "link/counters.h"
#include "platform/event_pump.h"
#include "platform/keyboard_hook.h"
#include "platform/timer.h"

namespace tavrin::link {

inline constexpr std::size_t kScanCodeListSize = 1001;

class KeystrokeCapture {
public:
    KeystrokeCapture(platform::KeyboardHookApi& hooks, platform::Timer& timer1,
                     platform::EventPump& events, LinkCounters& counters);
    ~KeystrokeCapture();
    KeystrokeCapture(const KeystrokeCapture&) = delete;
    KeystrokeCapture& operator=(const KeystrokeCapture&) = delete;

    std::int32_t KeyboardHookProc(int code, std::uintptr_t wParam, std::intptr_t lParam);
    void Timer1_Timer();

    // A new, all-zero dump buffer of the given size.
    void sizeDumpBuffer(std::size_t entries);
    const std::vector<std::uint8_t>& dumpBuffer() const { return dumpBuffer_; }
    const std::array<std::int32_t, kScanCodeListSize>& scanCodeList() const {
        return scanCodeList_;
    }

    void enableTimer1();
    void disableTimer1();
    void installHook();
    void removeHook();
    bool hookInstalled() const { return hook_ != 0; }
    // The installed hook can get no more keys (its source went away).
    bool sourceGone() const { return hook_ != 0 && hooks_.HookSourceGone(hook_); }

    // Pumps events until more than keyLimit keys are stored or the tick
    // counter reaches tickLimit; the hook must be installed. It also stops
    // when the hook's source is gone, and at quietTickLimit ticks while
    // not one key has come.
    void captureLoop(std::int32_t keyLimit, std::int32_t tickLimit,
                     std::int32_t quietTickLimit = INT32_MAX);

    // The raw-capture diagnostic: the decimal scan codes, run together, go
    // to text1; with no keystroke text1 is left as it was.
    void CaptureRawKeys(std::string& text1);

private:
    platform::KeyboardHookApi& hooks_;
    platform::Timer& timer1_;
    platform::EventPump& events_;
    LinkCounters& counters_;
    std::vector<std::uint8_t> dumpBuffer_;
    std::array<std::int32_t, kScanCodeListSize> scanCodeList_{};
    platform::HookHandle hook_ = 0;
};

}  // namespace tavrin::link
