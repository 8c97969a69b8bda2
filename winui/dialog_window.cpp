#include "winui/dialog_window.h"

#include "winui/control_ids.h"
#include "winui/controls.h"

namespace tavrin::winui {

DialogWindow::DialogWindow(HWND owner, const std::string& title, const ui::TwipsRect& clientSize,
                           Frame frame)
    : owner_(owner), scale_(Scale::ofScreen()) {
    static const bool registered = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = ids::kDialogClass;
        return RegisterClassA(&wc) != 0;
    }();
    (void)registered;
    const DWORD style =
        WS_POPUP | WS_CAPTION | WS_CLIPCHILDREN | (frame == Frame::Dialog ? WS_SYSMENU : 0);
    const DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
    RECT r{0, 0, scale_.px(clientSize.width), scale_.px(clientSize.height)};
    AdjustWindowRectEx(&r, style, FALSE, exStyle);
    hwnd_ = CreateWindowExA(exStyle, ids::kDialogClass, title.c_str(), style, CW_USEDEFAULT,
                            CW_USEDEFAULT, r.right - r.left, r.bottom - r.top, owner, nullptr,
                            GetModuleHandleA(nullptr), this);
}

DialogWindow::~DialogWindow() {
    if (hwnd_ != nullptr) {
        SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
}

HWND DialogWindow::add(const char* windowClass, const std::string& text, DWORD style,
                       const ui::TwipsRect& r, int id, HFONT font, DWORD exStyle) {
    return makeControl(hwnd_, windowClass, text, WS_VISIBLE | style, scale_.rect(r), id,
                       font != nullptr ? font : fonts(scale_.dpi()).normal, exStyle);
}

void DialogWindow::runModal(HWND first) {
    done_ = false;
    centreOn(hwnd_, owner_);
    const bool ownerEnabled = owner_ != nullptr && IsWindowEnabled(owner_);
    if (ownerEnabled) {
        EnableWindow(owner_, FALSE);
    }
    ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);
    if (first != nullptr) {
        SetFocus(first);
    }
    MSG msg;
    while (!done_) {
        const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1) {
            PostQuitMessage(got == 0 ? static_cast<int>(msg.wParam) : 1);  // for the main loop
            break;
        }
        if (!preTranslate(msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    // The owner back first, so that activation returns to it.
    if (ownerEnabled) {
        EnableWindow(owner_, TRUE);
    }
    ShowWindow(hwnd_, SW_HIDE);
}

void DialogWindow::showModeless() {
    done_ = false;
    if (!IsWindowVisible(hwnd_)) {
        centreOn(hwnd_, owner_);
    }
    ShowWindow(hwnd_, SW_SHOW);
    UpdateWindow(hwnd_);
}

bool DialogWindow::preTranslate(MSG& msg) {
    HWND active = GetActiveWindow();
    if (active == nullptr || (msg.hwnd != active && !IsChild(active, msg.hwnd))) {
        return false;
    }
    auto* self = reinterpret_cast<DialogWindow*>(GetWindowLongPtrA(active, GWLP_USERDATA));
    char name[32] = {};
    GetClassNameA(active, name, sizeof name);
    if (self == nullptr || lstrcmpA(name, ids::kDialogClass) != 0) {
        return false;
    }
    if ((msg.message == WM_KEYDOWN || msg.message == WM_CHAR) && self->onKey && self->onKey(msg)) {
        return true;
    }
    return IsDialogMessageA(active, &msg) != FALSE;
}

LRESULT CALLBACK DialogWindow::proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<DialogWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self != nullptr && self->hwnd_ == window) {
        return self->handle(message, wParam, lParam);
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT DialogWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            if (onCommand) {
                onCommand(LOWORD(wParam), HIWORD(wParam));
            }
            return 0;
        case WM_CLOSE:
            if (onClose) {
                onClose();
            } else {
                end();
            }
            return 0;
        case WM_DRAWITEM:
            if (onDrawItem) {
                onDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
                return TRUE;
            }
            break;
        default:
            break;
    }
    return DefWindowProcA(hwnd_, message, wParam, lParam);
}

}  // namespace tavrin::winui
