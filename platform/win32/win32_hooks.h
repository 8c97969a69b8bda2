#pragma once
// Thread keyboard hooks on the calling (user-interface) thread. The system
// calls one plain function for every hook, so a static trampoline routes to
// the one hook procedure installed at a time.

#include "platform/keyboard_hook.h"

namespace tavrin::platform::win32 {

class Win32Hooks : public KeyboardHookApi {
public:
    Win32Hooks() = default;
    ~Win32Hooks() override;
    Win32Hooks(const Win32Hooks&) = delete;
    Win32Hooks& operator=(const Win32Hooks&) = delete;

    // WH_KEYBOARD for the current thread. 0 when the system refuses, or
    // while another hook procedure is installed (one capture at a time).
    // A thread with no visible window of its own gets a small foreground
    // window for as long as the hook is in, or no keystroke would reach it.
    HookHandle SetWindowsHookEx(HookProc proc) override;
    bool UnhookWindowsHookEx(HookHandle hook) override;
    std::int32_t CallNextHookEx(HookHandle hook, int code, std::uintptr_t wParam,
                                std::intptr_t lParam) override;
};

}  // namespace tavrin::platform::win32
