#include "winui/owner_draw.h"

#include <algorithm>
#include <cstring>

#include "winui/picture_paint.h"

namespace tavrin::winui {

namespace {

std::string upToNul(std::string text) {
    text.resize(std::min(text.size(), text.find('\0')));
    return text;
}

LRESULT CALLBACK shownText(HWND combo, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                           DWORD_PTR data) {
    if ((message != WM_GETTEXT && message != WM_GETTEXTLENGTH) ||
        SendMessageA(combo, CB_GETCURSEL, 0, 0) != CB_ERR) {
        return DefSubclassProc(combo, message, wParam, lParam);
    }
    const std::string text = upToNul(reinterpret_cast<const ui::ComboBox*>(data)->text());
    // The subclass may be called in either character set.
    std::wstring wide(text.size(), L'\0');
    wide.resize(static_cast<std::size_t>(
        MultiByteToWideChar(1252, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                            static_cast<int>(wide.size()))));
    const bool unicode = IsWindowUnicode(combo) != FALSE;
    const std::size_t length = unicode ? wide.size() : text.size();
    if (message == WM_GETTEXTLENGTH) {
        return static_cast<LRESULT>(length);
    }
    if (wParam == 0) {
        return 0;
    }
    const std::size_t copied = std::min<std::size_t>(length, wParam - 1);
    if (unicode) {
        std::memcpy(reinterpret_cast<wchar_t*>(lParam), wide.data(), copied * sizeof(wchar_t));
        reinterpret_cast<wchar_t*>(lParam)[copied] = L'\0';
    } else {
        std::memcpy(reinterpret_cast<char*>(lParam), text.data(), copied);
        reinterpret_cast<char*>(lParam)[copied] = '\0';
    }
    return static_cast<LRESULT>(copied);
}

}  // namespace

void answerWithShownText(HWND combo, const ui::ComboBox& model) {
    SetWindowSubclass(combo, shownText, 0, reinterpret_cast<DWORD_PTR>(&model));
}

void drawValueLine(const DRAWITEMSTRUCT& item, const std::string& noEntryText) {
    RECT r = item.rcItem;
    const bool enabled = IsWindowEnabled(item.hwndItem) != FALSE;
    const bool combo = item.CtlType == ODT_COMBOBOX;
    const bool selected = combo && (item.itemState & ODS_SELECTED) != 0;
    FillRect(item.hDC, &r,
             GetSysColorBrush(selected  ? COLOR_HIGHLIGHT
                              : enabled ? COLOR_WINDOW
                                        : COLOR_BTNFACE));
    std::string text = noEntryText;
    if (item.itemID != static_cast<UINT>(-1)) {
        const auto n =
            SendMessageA(item.hwndItem, combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN, item.itemID, 0);
        text.assign(static_cast<std::size_t>(n > 0 ? n : 0) + 1, '\0');
        SendMessageA(item.hwndItem, combo ? CB_GETLBTEXT : LB_GETTEXT, item.itemID,
                     reinterpret_cast<LPARAM>(text.data()));
    }
    text = upToNul(text);
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC, GetSysColor(selected  ? COLOR_HIGHLIGHTTEXT
                                       : enabled ? COLOR_WINDOWTEXT
                                                 : COLOR_GRAYTEXT));
    r.left += 2;
    DrawTextA(item.hDC, text.c_str(), static_cast<int>(text.size()), &r,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    if ((item.itemState & ODS_FOCUS) != 0 && combo) {
        DrawFocusRect(item.hDC, &item.rcItem);
    }
}

void drawPictureButton(const DRAWITEMSTRUCT& item, const ui::ButtonLayout& button, HFONT font) {
    const bool pressed = (item.itemState & ODS_SELECTED) != 0;
    const bool enabled = (item.itemState & ODS_DISABLED) == 0;
    RECT r = item.rcItem;
    DrawFrameControl(item.hDC, &r, DFC_BUTTON,
                     DFCS_BUTTONPUSH | (pressed ? DFCS_PUSHED : 0) | (enabled ? 0 : DFCS_INACTIVE));
    InflateRect(&r, -3, -3);
    if (pressed) {
        OffsetRect(&r, 1, 1);
    }
    const std::string caption(button.caption);
    HGDIOBJ old = SelectObject(item.hDC, font);
    RECT measure = r;
    DrawTextA(item.hDC, caption.c_str(), -1, &measure,
              DT_CENTER | DT_WORDBREAK | DT_NOPREFIX | DT_CALCRECT);
    // The caption at the bottom, the picture as large as the rest allows.
    const int textHeight = std::min<int>(measure.bottom - measure.top, (r.bottom - r.top) / 2);
    paintPicture(item.hDC, RECT{r.left, r.top, r.right, r.bottom - textHeight - 1}, button.picture,
                 enabled);
    RECT text{r.left, r.bottom - textHeight, r.right, r.bottom};
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC, GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
    DrawTextA(item.hDC, caption.c_str(), -1, &text, DT_CENTER | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(item.hDC, old);
    if ((item.itemState & ODS_FOCUS) != 0) {
        RECT focus = item.rcItem;
        InflateRect(&focus, -3, -3);
        DrawFocusRect(item.hDC, &focus);
    }
}

}  // namespace tavrin::winui
