#pragma once
// The user-interface thread's clock, message pump and Timer1.

#include <cstdint>
#include <functional>

#include "platform/event_pump.h"
#include "platform/tick_counter.h"
#include "platform/timer.h"

struct tagMSG;

namespace tavrin::platform::win32 {

class Win32Ticks : public TickCounter {
public:
    std::uint32_t GetTickCount() override;
};

// PeekMessage / TranslateMessage / DispatchMessage of everything pending on
// the calling thread; when nothing is, MsgWaitForMultipleObjects bounded by
// maxWaitMs, then one more pass.
class Win32EventPump : public EventPump {
public:
    void processEvents(std::uint32_t maxWaitMs) override;
    // Every message pending now; true when there was one.
    bool dispatchPending();

    // A window's own keyboard handling (dialog navigation, accelerators)
    // before a message is dispatched; true when it took the message.
    std::function<bool(tagMSG&)> preTranslate;

    // A WM_QUIT met inside a wait is not dispatched; it is kept here for
    // the front end's own loop to honour.
    bool quitRequested() const { return quitRequested_; }
    int quitCode() const { return quitCode_; }

private:
    bool quitRequested_ = false;
    int quitCode_ = 0;
};

// SetTimer on a message-only window owned by the creating thread; its
// ticks arrive through that thread's message pump.
class Win32Timer : public Timer {
public:
    explicit Win32Timer(std::uint32_t intervalMs = 1000);
    ~Win32Timer() override;
    Win32Timer(const Win32Timer&) = delete;
    Win32Timer& operator=(const Win32Timer&) = delete;

    void setHandler(std::function<void()> handler) override;
    void setEnabled(bool enabled) override;
    bool enabled() const override { return enabled_; }

    // False when the window or the system timer could not be had.
    bool usable() const { return window_ != nullptr; }

    // Called by the timer window for each WM_TIMER.
    void tick();

private:
    void* window_ = nullptr;
    std::uint32_t intervalMs_;
    std::function<void()> handler_;
    bool enabled_ = false;
};

}  // namespace tavrin::platform::win32
