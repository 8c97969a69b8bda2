#include "platform/win32/win32_events.h"

#include "platform/win32/windows_api.h"

namespace tavrin::platform::win32 {

namespace {
constexpr UINT_PTR kTimerId = 1;
constexpr const char* kTimerWindowClass = "TavrinTimer1";

LRESULT CALLBACK timerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER && wParam == kTimerId) {
        auto* timer = reinterpret_cast<Win32Timer*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (timer != nullptr) {
            timer->tick();
        }
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
}  // namespace

std::uint32_t Win32Ticks::GetTickCount() {
    return ::GetTickCount();
}

bool Win32EventPump::dispatchPending() {
    bool handled = false;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        handled = true;
        if (msg.message == WM_QUIT) {
            quitRequested_ = true;
            quitCode_ = static_cast<int>(msg.wParam);
            continue;
        }
        if (preTranslate && preTranslate(msg)) {
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return handled;
}

void Win32EventPump::processEvents(std::uint32_t maxWaitMs) {
    if (dispatchPending() || maxWaitMs == 0) {
        return;
    }
    // Keystrokes, posted and sent messages, timers and paints all wake it.
    MsgWaitForMultipleObjectsEx(0, nullptr, maxWaitMs, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    dispatchPending();
}

Win32Timer::Win32Timer(std::uint32_t intervalMs) : intervalMs_(intervalMs) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA wc{};
    wc.lpfnWndProc = timerWindowProc;
    wc.hInstance = instance;
    wc.lpszClassName = kTimerWindowClass;
    // Registered once per process; a second registration finds it there.
    RegisterClassA(&wc);
    HWND hwnd = CreateWindowExA(0, kTimerWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                instance, nullptr);
    if (hwnd != nullptr) {
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        window_ = hwnd;
    }
}

Win32Timer::~Win32Timer() {
    if (window_ != nullptr) {
        KillTimer(static_cast<HWND>(window_), kTimerId);
        SetWindowLongPtrA(static_cast<HWND>(window_), GWLP_USERDATA, 0);
        DestroyWindow(static_cast<HWND>(window_));
    }
}

void Win32Timer::setHandler(std::function<void()> handler) {
    handler_ = std::move(handler);
}

void Win32Timer::setEnabled(bool enabled) {
    if (enabled == enabled_) {
        return;  // a running timer keeps its phase
    }
    if (window_ == nullptr) {
        enabled_ = false;
        return;
    }
    if (enabled) {
        enabled_ = SetTimer(static_cast<HWND>(window_), kTimerId, intervalMs_, nullptr) != 0;
    } else {
        KillTimer(static_cast<HWND>(window_), kTimerId);
        enabled_ = false;
    }
}

void Win32Timer::tick() {
    // A WM_TIMER already queued when the timer was stopped does not count.
    if (!enabled_ || !handler_) {
        return;
    }
    try {
        handler_();
    } catch (...) {
        // Must not unwind through DispatchMessage.
    }
}

}  // namespace tavrin::platform::win32
