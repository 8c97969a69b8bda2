#include "platform/win32/win32_hooks.h"

#include "platform/win32/windows_api.h"

namespace tavrin::platform::win32 {

namespace {

constexpr int kWhKeyboard = 2;  // WH_KEYBOARD

// The one installed hook: the system gives the trampoline no context.
struct InstalledHook {
    HHOOK handle = nullptr;
    HookProc proc;
    const Win32Hooks* owner = nullptr;
};
InstalledHook g_hook;

LRESULT CALLBACK keyboardTrampoline(int code, WPARAM wParam, LPARAM lParam) {
    if (g_hook.proc) {
        // A copy: the procedure may remove its own hook while it runs.
        HookProc proc = g_hook.proc;
        try {
            return proc(code, static_cast<std::uintptr_t>(wParam),
                               static_cast<std::intptr_t>(lParam));
        } catch (...) {
            // Nothing may unwind through the system's call; let the key pass.
        }
    }
    return ::CallNextHookEx(g_hook.handle, code, wParam, lParam);
}

}  // namespace

Win32Hooks::~Win32Hooks() {
    if (g_hook.owner == this && g_hook.handle != nullptr) {
        UnhookWindowsHookEx(reinterpret_cast<HookHandle>(g_hook.handle));
    }
}

HookHandle Win32Hooks::SetWindowsHookEx(HookProc proc) {
    if (g_hook.handle != nullptr || !proc) {
        return 0;
    }
    g_hook.proc = std::move(proc);
    g_hook.owner = this;
    HHOOK handle = ::SetWindowsHookExA(kWhKeyboard, keyboardTrampoline, nullptr,
                                       GetCurrentThreadId());
    if (handle == nullptr) {
        g_hook = {};
        return 0;
    }
    g_hook.handle = handle;
    return reinterpret_cast<HookHandle>(handle);
}

bool Win32Hooks::UnhookWindowsHookEx(HookHandle hook) {
    if (hook == 0 || reinterpret_cast<HHOOK>(hook) != g_hook.handle) {
        return false;
    }
    bool ok = ::UnhookWindowsHookEx(g_hook.handle) != FALSE;
    g_hook = {};
    return ok;
}

std::int32_t Win32Hooks::CallNextHookEx(HookHandle hook, int code, std::uintptr_t wParam,
                                        std::intptr_t lParam) {
    return static_cast<std::int32_t>(::CallNextHookEx(reinterpret_cast<HHOOK>(hook), code,
                                                      static_cast<WPARAM>(wParam),
                                                      static_cast<LPARAM>(lParam)));
}

}  // namespace tavrin::platform::win32
