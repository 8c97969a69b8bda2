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

// A thread without a window of its own (the headless tool) is not where
// the system sends keystrokes; while a hook is installed it shows this
// small window and brings it to the foreground, so that the keyboard's typed
// answer is queued to the thread. Kept hidden between captures.
constexpr const char* kCaptureWindowClass = "TavrinKeyboardCapture";
HWND g_captureWindow = nullptr;
DWORD g_captureThread = 0;

BOOL CALLBACK findVisibleWindow(HWND hwnd, LPARAM found) {
    if (IsWindowVisible(hwnd) && hwnd != g_captureWindow) {
        *reinterpret_cast<bool*>(found) = true;
        return FALSE;
    }
    return TRUE;
}

bool threadHasOwnWindow() {
    bool found = false;
    EnumThreadWindows(GetCurrentThreadId(), findVisibleWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

void showCaptureWindow() {
    if (threadHasOwnWindow()) {
        return;  // a windowed front end: the keys go where its operator put the focus
    }
    if (g_captureWindow != nullptr && g_captureThread != GetCurrentThreadId()) {
        DestroyWindow(g_captureWindow);
        g_captureWindow = nullptr;
    }
    if (g_captureWindow == nullptr) {
        HINSTANCE instance = GetModuleHandleA(nullptr);
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = instance;
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc.lpszClassName = kCaptureWindowClass;
        RegisterClassA(&wc);
        g_captureWindow = CreateWindowExA(WS_EX_TOPMOST, kCaptureWindowClass, "Tavrin",
                                          WS_OVERLAPPED | WS_CAPTION, CW_USEDEFAULT, CW_USEDEFAULT,
                                          240, 80, nullptr, nullptr, instance, nullptr);
        g_captureThread = GetCurrentThreadId();
    }
    if (g_captureWindow != nullptr) {
        ShowWindow(g_captureWindow, SW_SHOWNORMAL);
        SetForegroundWindow(g_captureWindow);
        SetFocus(g_captureWindow);
    }
}

void hideCaptureWindow() {
    if (g_captureWindow != nullptr && g_captureThread == GetCurrentThreadId() &&
        IsWindowVisible(g_captureWindow)) {
        ShowWindow(g_captureWindow, SW_HIDE);
    }
}

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
    if (g_captureWindow != nullptr && g_captureThread == GetCurrentThreadId()) {
        DestroyWindow(g_captureWindow);
        g_captureWindow = nullptr;
    }
}

HookHandle Win32Hooks::SetWindowsHookEx(HookProc proc) {
    if (g_hook.handle != nullptr || !proc) {
        return 0;
    }
    g_hook.proc = std::move(proc);
    g_hook.owner = this;
    HHOOK handle =
        ::SetWindowsHookExA(kWhKeyboard, keyboardTrampoline, nullptr, GetCurrentThreadId());
    if (handle == nullptr) {
        g_hook = {};
        return 0;
    }
    g_hook.handle = handle;
    showCaptureWindow();
    return reinterpret_cast<HookHandle>(handle);
}

bool Win32Hooks::UnhookWindowsHookEx(HookHandle hook) {
    if (hook == 0 || reinterpret_cast<HHOOK>(hook) != g_hook.handle) {
        return false;
    }
    bool ok = ::UnhookWindowsHookEx(g_hook.handle) != FALSE;
    g_hook = {};
    hideCaptureWindow();
    return ok;
}

std::int32_t Win32Hooks::CallNextHookEx(HookHandle hook, int code, std::uintptr_t wParam,
                                        std::intptr_t lParam) {
    return static_cast<std::int32_t>(::CallNextHookEx(reinterpret_cast<HHOOK>(hook), code,
                                                      static_cast<WPARAM>(wParam),
                                                      static_cast<LPARAM>(lParam)));
}

}  // namespace tavrin::platform::win32
