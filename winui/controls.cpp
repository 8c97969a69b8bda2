#include "winui/controls.h"

#include "ui/window_placement.h"
#include "winui/dpi.h"

#include <algorithm>
#include <map>

namespace tavrin::winui {

namespace {

constexpr const char* kContainerClass = "TavrinPage";

HFONT makeFont(LOGFONTA base, int dpi, double scale, bool bold) {
    base.lfHeight = -MulDiv(static_cast<int>(9 * scale * 10), dpi, 720);
    base.lfWidth = 0;
    if (bold) {
        base.lfWeight = FW_BOLD;
    }
    return CreateFontIndirectA(&base);
}

LRESULT CALLBACK containerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_NCCREATE: {
            const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
            SetWindowLongPtrA(window, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(create->lpCreateParams));
            break;
        }
        case WM_COMMAND:
        case WM_NOTIFY:
        case WM_DRAWITEM:
        case WM_MEASUREITEM: {
            auto target = reinterpret_cast<HWND>(GetWindowLongPtrA(window, GWLP_USERDATA));
            if (target != nullptr) {
                return SendMessageA(target, message, wParam, lParam);
            }
            break;
        }
        default:
            break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

const Fonts& fonts(int dpi) {
    static std::map<int, Fonts> byDpi;
    auto [it, made] = byDpi.try_emplace(dpi);
    if (made) {
        NONCLIENTMETRICSA metrics{};
        metrics.cbSize = sizeof metrics;
        LOGFONTA base{};
        if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
            base = metrics.lfMessageFont;
        } else {
            lstrcpynA(base.lfFaceName, "Tahoma", LF_FACESIZE);
        }
        base.lfCharSet = ANSI_CHARSET;  // the texts are code page 1252
        it->second = {makeFont(base, dpi, 1.0, false), makeFont(base, dpi, 1.0, true),
                      makeFont(base, dpi, 1.8, true), makeFont(base, dpi, 0.85, false)};
    }
    return it->second;
}

HWND makeControl(HWND parent, const char* windowClass, const std::string& text, DWORD style,
                 const RECT& r, int id, HFONT font, DWORD exStyle) {
    HWND control = CreateWindowExA(exStyle, windowClass, text.c_str(), WS_CHILD | style, r.left,
                                   r.top, r.right - r.left, r.bottom - r.top, parent,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                   GetModuleHandleA(nullptr), nullptr);
    if (control != nullptr && font != nullptr) {
        SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    return control;
}

std::string windowText(HWND control) {
    const int length = GetWindowTextLengthA(control);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    text.resize(static_cast<std::size_t>(GetWindowTextA(control, text.data(), length + 1)));
    return text;
}

bool setText(HWND control, const std::string& text) {
    if (control != nullptr && windowText(control) != text) {
        SetWindowTextA(control, text.c_str());
        return true;
    }
    return false;
}

SIZE textExtent(HWND control, const std::string& text) {
    SIZE size{0, 0};
    HDC dc = GetDC(control);
    if (dc == nullptr) {
        return size;
    }
    auto font = reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
    HGDIOBJ old = SelectObject(dc, font != nullptr ? font : GetStockObject(DEFAULT_GUI_FONT));
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
    TEXTMETRICA metrics{};
    if (GetTextMetricsA(dc, &metrics) && metrics.tmHeight > size.cy) {
        size.cy = metrics.tmHeight;
    }
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return size;
}

void fitToText(HWND caption) {
    if (caption == nullptr) {
        return;
    }
    const SIZE need = textExtent(caption, windowText(caption));
    RECT r{};
    GetClientRect(caption, &r);
    if (need.cx > r.right || need.cy > r.bottom) {
        RECT outer{};
        GetWindowRect(caption, &outer);
        // The border, if any, comes on top of the text's room.
        const int w = std::max<int>(need.cx - r.right, 0) + (outer.right - outer.left);
        const int h = std::max<int>(need.cy - r.bottom, 0) + (outer.bottom - outer.top);
        SetWindowPos(caption, nullptr, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void setEnabled(HWND control, bool enabled) {
    if (control != nullptr && (IsWindowEnabled(control) != FALSE) != enabled) {
        EnableWindow(control, enabled ? TRUE : FALSE);
    }
}

void setVisible(HWND control, bool visible) {
    if (control == nullptr) {
        return;
    }
    const bool shown = (GetWindowLongA(control, GWL_STYLE) & WS_VISIBLE) != 0;
    if (shown != visible) {
        ShowWindow(control, visible ? SW_SHOWNA : SW_HIDE);
    }
}

namespace {

std::vector<std::string> entries(HWND box, UINT count, UINT length, UINT get) {
    std::vector<std::string> result;
    const auto n = static_cast<int>(SendMessageA(box, count, 0, 0));
    for (int k = 0; k < n; ++k) {
        const auto len = SendMessageA(box, length, static_cast<WPARAM>(k), 0);
        std::string text(static_cast<std::size_t>(len > 0 ? len : 0) + 1, '\0');
        const auto got =
            SendMessageA(box, get, static_cast<WPARAM>(k), reinterpret_cast<LPARAM>(text.data()));
        text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
        result.push_back(std::move(text));
    }
    return result;
}

// The controls keep a text up to its first NUL, as the list shows it.
std::vector<std::string> shown(const std::vector<std::string>& texts) {
    std::vector<std::string> result;
    for (const std::string& t : texts) {
        result.push_back(t.substr(0, t.find('\0')));
    }
    return result;
}

}  // namespace

std::vector<std::string> listEntries(HWND list) {
    return entries(list, LB_GETCOUNT, LB_GETTEXTLEN, LB_GETTEXT);
}

void setListEntries(HWND list, const std::vector<std::string>& texts) {
    const std::vector<std::string> want = shown(texts);
    if (listEntries(list) == want) {
        return;
    }
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    for (const std::string& t : want) {
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(t.c_str()));
    }
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

std::vector<std::string> comboEntries(HWND combo) {
    return entries(combo, CB_GETCOUNT, CB_GETLBTEXTLEN, CB_GETLBTEXT);
}

void setComboEntries(HWND combo, const std::vector<std::string>& texts) {
    const std::vector<std::string> want = shown(texts);
    if (comboEntries(combo) == want) {
        return;
    }
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    for (const std::string& t : want) {
        SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(t.c_str()));
    }
}

void centreOn(HWND window, HWND owner) {
    RECT r{};
    GetWindowRect(window, &r);
    const int w = r.right - r.left;
    const int h = r.bottom - r.top;
    int x = 0;
    int y = 0;
    if (owner != nullptr && IsWindowVisible(owner) && !IsIconic(owner)) {
        RECT area{};
        GetWindowRect(owner, &area);
        x = area.left + (area.right - area.left - w) / 2;
        y = area.top + (area.bottom - area.top - h) / 2;
        x = x < 0 ? 0 : x;
        y = y < 0 ? 0 : y;
    } else {
        // The work area: the primary screen less the task bar.
        RECT area{};
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
        const ui::WindowPosition p = ui::placeWindow(
            {area.left, area.top, area.right - area.left, area.bottom - area.top}, w, h);
        x = p.left;
        y = p.top;
    }
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HWND makeContainer(HWND parent, const RECT& r, HWND forwardTo) {
    static const bool registered = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = containerProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = kContainerClass;
        return RegisterClassA(&wc) != 0;
    }();
    (void)registered;
    return CreateWindowExA(WS_EX_CONTROLPARENT, kContainerClass, "", WS_CHILD | WS_CLIPSIBLINGS,
                           r.left, r.top, r.right - r.left, r.bottom - r.top, parent, nullptr,
                           GetModuleHandleA(nullptr), forwardTo);
}

}  // namespace tavrin::winui

namespace tavrin::winui {

Scale Scale::ofScreen() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return Scale(dpi);
}

}  // namespace tavrin::winui
