#pragma once
// Thread keyboard hooks (WH_KEYBOARD on the user-interface thread).

#include <cstdint>
#include <functional>

namespace tavrin::platform {

using HookProc = std::function<std::int32_t(int code, std::uintptr_t wParam, std::intptr_t lParam)>;
using HookHandle = std::uintptr_t;  // 0 = no hook

class KeyboardHookApi {
public:
    virtual ~KeyboardHookApi() = default;
    virtual HookHandle SetWindowsHookEx(HookProc proc) = 0;
    virtual bool UnhookWindowsHookEx(HookHandle hook) = 0;
    virtual std::int32_t CallNextHookEx(HookHandle hook, int code, std::uintptr_t wParam,
                                        std::intptr_t lParam) = 0;
    // True once no keystroke can reach the hook any more (the raw port's
    // device went away): a capture waiting on it may stop at once.
    virtual bool HookSourceGone(HookHandle) const { return false; }
};

}  // namespace tavrin::platform
