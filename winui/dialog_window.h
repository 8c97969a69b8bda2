#pragma once
// A top-level window built from a form's table: the dialogs of the program
// (the input box, frmPrePost, frmWaiting, frmAbout). Runs modal, disabling
// its owner until end() is called, or modeless.

#include <functional>
#include <string>

#include "winui/dpi.h"
#include "winui/win_api.h"

namespace tavrin::winui {

class DialogWindow {
public:
    enum class Frame { Dialog, TitleOnly };  // TitleOnly: no system menu, no close box

    DialogWindow(HWND owner, const std::string& title, const ui::TwipsRect& clientSize,
                 Frame frame = Frame::Dialog);
    ~DialogWindow();
    DialogWindow(const DialogWindow&) = delete;
    DialogWindow& operator=(const DialogWindow&) = delete;

    HWND hwnd() const { return hwnd_; }
    const Scale& scale() const { return scale_; }
    HWND add(const char* windowClass, const std::string& text, DWORD style, const ui::TwipsRect& r,
             int id, HFONT font = nullptr, DWORD exStyle = 0);
    HWND control(int id) const { return GetDlgItem(hwnd_, id); }

    // A control's command (id, notification code); the close box; owner
    // drawing. Without onClose the close box ends the dialog.
    std::function<void(int id, int code)> onCommand;
    std::function<void()> onClose;
    std::function<void(const DRAWITEMSTRUCT&)> onDrawItem;
    // A key before the dialog's own keyboard handling; true: it was taken.
    std::function<bool(const MSG&)> onKey;

    // Centred over the owner (or the screen), focus on first; returns
    // once end() has been called.
    void runModal(HWND first = nullptr);
    void showModeless();
    void end() { done_ = true; }
    bool ended() const { return done_; }

    // Tab, arrow keys, Enter and Esc for whichever of these windows is
    // active; true when msg was handled.
    static bool preTranslate(MSG& msg);

private:
    static LRESULT CALLBACK proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);

    HWND owner_;
    HWND hwnd_ = nullptr;
    Scale scale_;
    bool done_ = false;
};

}  // namespace tavrin::winui
