#pragma once
// frmMsr as a native window: built by walking the form's tables, it shows
// ui::WindowModel, puts the operator's own choices into it and calls
// ui::MsrWindow's handlers; every decision lives there. Control arrays are
// members indexed by item number.

#include <array>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "items/catalogue.h"
#include "ui/form_layout.h"
#include "ui/msr_window.h"
#include "winui/dpi.h"
#include "winui/win_api.h"

namespace tavrin::winui {

class frmAbout;
class WinOperatorDialogs;

class frmMsr {
public:
    static constexpr int kArraySize = ui::kItemCount + 1;

    // scale: the dpi the form is laid out and its fonts made for.
    frmMsr(ui::MsrWindow& window, WinOperatorDialogs& dialogs, bool simulated,
           Scale scale = Scale::ofScreen());
    ~frmMsr();
    frmMsr(const frmMsr&) = delete;
    frmMsr& operator=(const frmMsr&) = delete;

    HWND hwnd() const { return hwnd_; }
    // Centres the window on the screen, shows and paints it.
    void showMain();
    // Redraws every control from the model; runs no handler.
    void refresh();
    // The window has been destroyed: the program ends.
    bool closed() const { return closed_; }
    // Ctrl+Tab between the pages and the keys of the forms' dialogs.
    bool preTranslate(MSG& msg);
    void About_Click();

    HWND SSTab2 = nullptr;
    HWND SSTab1 = nullptr;
    std::array<HWND, kArraySize> lblItem{};
    std::array<HWND, kArraySize> lstItem{};
    std::array<HWND, kArraySize> valueCombo{};  // cb(n) or Combo1..Combo4
    std::array<HWND, kArraySize> cmdItem{};
    HWND Frame1 = nullptr, Frame2 = nullptr, Frame4 = nullptr;
    std::array<HWND, 14> frame3{};
    HWND Label2 = nullptr, Combo5 = nullptr, Cmdpt = nullptr, Text1 = nullptr, Command7 = nullptr;
    std::array<HWND, 6> Command{};  // Command1..Command6
    HWND simulatedLabel = nullptr;

private:
    struct Tabs {
        HWND control = nullptr;
        std::vector<HWND> pages;
    };

    static LRESULT CALLBACK proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    Tabs buildTabs(const ui::TabSetLayout& layout, int id);
    void buildFrame(HWND page, const ui::FrameLayout& layout);
    HWND makeFrame(HWND page, const RECT& r);
    void setFrameCaption(HWND frame, const std::string& text);
    void buildRow(HWND page, int item, int frameLeft, int frameTop, int rowTop);
    void buildModeFrame(HWND page);
    void buildCommands();
    void buildMenus();
    void addTip(HWND control, const char* text);
    void showPage(int page);
    void command(int id, int code, HWND from);
    void drawItem(const DRAWITEMSTRUCT& item);
    void refreshCombo(HWND combo, const ui::ComboBox& model);
    void close();

    ui::MsrWindow& window_;
    WinOperatorDialogs& dialogs_;
    Scale scale_;
    HWND hwnd_ = nullptr;
    HMENU menu_ = nullptr;
    HWND client_ = nullptr;
    HWND tips_ = nullptr;
    Tabs msrTabs_, barcodeTabs_;
    std::map<HWND, HWND> frameCaptions_;     // group box to its caption
    std::vector<ui::Command> menuCommands_;  // by menu id, from ids::kMenuFirst
    std::unique_ptr<frmAbout> about_;
    HWND focusBeforeOperation_ = nullptr;
    bool wasRunning_ = false;
    bool closing_ = false;
    bool closed_ = false;
};

}  // namespace tavrin::winui
