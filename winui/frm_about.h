#pragma once
// frmAbout: the program's name, version and the keyboard's firmware version
// (Label6), OK and "System Info....". Modeless, over the main window.

#include <functional>
#include <memory>
#include <string>

#include "winui/win_api.h"

namespace tavrin::winui {

class DialogWindow;

class frmAbout {
public:
    // sysInfo: "System Info...."; unloaded: the box has closed.
    frmAbout(HWND owner, std::function<void()> sysInfo, std::function<void()> unloaded);
    ~frmAbout();

    void showAbout();
    void setLabel6(const std::string& text);
    HWND hwnd() const;
    bool shown() const;

private:
    void unload();

    HWND owner_;
    std::function<void()> sysInfo_;
    std::function<void()> unloaded_;
    std::unique_ptr<DialogWindow> box_;
};

}  // namespace tavrin::winui
