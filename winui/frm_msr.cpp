#include "winui/frm_msr.h"

#include <algorithm>

#include "winui/control_ids.h"
#include "winui/controls.h"
#include "winui/frm_about.h"
#include "winui/owner_draw.h"
#include "winui/win_dialogs.h"

namespace tavrin::winui {

namespace {

constexpr DWORD kMainStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr int kStatusHeight = 330;  // twips under the client area for the simulation's note
constexpr int kDropRows = 8;

int itemOf(int id, int base) {
    const int n = id - base;
    return n >= 0 && n <= ui::kItemCount ? n : -1;
}

}  // namespace

frmMsr::frmMsr(ui::MsrWindow& window, WinOperatorDialogs& dialogs, bool simulated, Scale scale)
    : window_(window), dialogs_(dialogs), scale_(scale) {
    static const bool registered = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hIcon = LoadIconA(wc.hInstance, MAKEINTRESOURCEA(1));
        wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = ids::kMainClass;
        return RegisterClassA(&wc) != 0;
    }();
    (void)registered;

    buildMenus();
    // The client area of the form, 9585 x 7680 twips under the menu bar.
    RECT r{0, 0, scale_.px(ui::kClientArea.width),
           scale_.px(ui::kClientArea.height + (simulated ? kStatusHeight : 0))};
    AdjustWindowRectEx(&r, kMainStyle, TRUE, WS_EX_CONTROLPARENT);
    hwnd_ = CreateWindowExA(WS_EX_CONTROLPARENT, ids::kMainClass, "", kMainStyle, CW_USEDEFAULT,
                            CW_USEDEFAULT, r.right - r.left, r.bottom - r.top, nullptr, menu_,
                            GetModuleHandleA(nullptr), this);
    tips_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                            CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_,
                            nullptr, GetModuleHandleA(nullptr), nullptr);
    SendMessageA(tips_, TTM_SETMAXTIPWIDTH, 0, scale_.px(9000));

    // The client area clips what lies beyond it (SSTab1, at its bottom edge).
    client_ = makeContainer(hwnd_, scale_.rect(ui::kClientArea), hwnd_);
    SetWindowLongA(client_, GWL_STYLE, GetWindowLongA(client_, GWL_STYLE) | WS_CLIPCHILDREN);
    ShowWindow(client_, SW_SHOWNA);
    msrTabs_ = buildTabs(ui::msrTabs(), ids::kSSTab2);
    barcodeTabs_ = buildTabs(ui::barcodeTabs(), ids::kSSTab1);
    SSTab2 = msrTabs_.control;
    SSTab1 = barcodeTabs_.control;
    buildCommands();
    if (simulated) {
        // Clear of the window's right edge, where the frame would cut it.
        const int top = ui::kClientArea.height + 45;
        simulatedLabel =
            makeControl(hwnd_, "STATIC", std::string(ui::kSimulatedNote), WS_VISIBLE | SS_RIGHT,
                        scale_.rect({0, top, ui::kClientArea.width - 120, kStatusHeight - 90}),
                        ids::kSimulatedNote, fonts(scale_.dpi()).normal);
        fitToText(simulatedLabel);
    }
    dialogs_.setOwner(hwnd_);
    window_.model().repaint = [this] { refresh(); };
    refresh();
}

frmMsr::~frmMsr() {
    window_.model().repaint = nullptr;
    about_.reset();
    if (hwnd_ != nullptr) {
        SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
}

void frmMsr::buildMenus() {
    menu_ = CreateMenu();
    int id = ids::kMenuFirst;
    for (const ui::MenuLayout& def : ui::menus()) {
        HMENU popup = CreatePopupMenu();
        for (const ui::MenuEntryLayout& entry : def.entries) {
            AppendMenuA(popup, MF_STRING, static_cast<UINT_PTR>(id++),
                        std::string(entry.caption).c_str());
            menuCommands_.push_back(entry.command);
        }
        AppendMenuA(menu_, MF_POPUP, reinterpret_cast<UINT_PTR>(popup),
                    std::string(def.caption).c_str());
    }
}

frmMsr::Tabs frmMsr::buildTabs(const ui::TabSetLayout& layout, int id) {
    Tabs tabs;
    tabs.control = makeControl(
        client_, WC_TABCONTROLA, "", WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_TABSTOP,
        scale_.rect(layout.rect), id, fonts(scale_.dpi()).normal, WS_EX_CONTROLPARENT);
    for (std::size_t p = 0; p < layout.pages.size(); ++p) {
        std::string caption(layout.pages[p]);
        TCITEMA tab{};
        tab.mask = TCIF_TEXT;
        tab.pszText = caption.data();
        SendMessageA(tabs.control, TCM_INSERTITEMA, p, reinterpret_cast<LPARAM>(&tab));
    }
    RECT area{};
    GetClientRect(tabs.control, &area);
    SendMessageA(tabs.control, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
    for (std::size_t p = 0; p < layout.pages.size(); ++p) {
        HWND page = makeContainer(tabs.control, area, hwnd_);
        tabs.pages.push_back(page);
        for (const ui::FrameLayout& frame : layout.frames) {
            if (frame.page == static_cast<int>(p)) {
                buildFrame(page, frame);
            }
        }
        if (layout.hiddenMembersPage == static_cast<int>(p)) {
            // The hidden members 0 of the item arrays.
            lstItem[0] = makeControl(page, "LISTBOX", "", WS_DISABLED | LBS_NOSEL,
                                     scale_.rect(ui::kHiddenList0), ids::kLstItem, nullptr);
            cmdItem[0] = makeControl(page, "BUTTON", "", WS_DISABLED | BS_PUSHBUTTON,
                                     scale_.rect(ui::kHiddenButton0), ids::kCmdItem, nullptr);
        }
        if (layout.modeFramePage == static_cast<int>(p)) {
            buildModeFrame(page);
        }
    }
    SendMessageA(tabs.control, TCM_SETCURSEL, static_cast<WPARAM>(layout.firstPage), 0);
    ShowWindow(tabs.pages[static_cast<std::size_t>(layout.firstPage)], SW_SHOWNA);
    // Out of sight and disabled, so that Tab cannot walk into it.
    EnableWindow(tabs.control, layout.reachable ? TRUE : FALSE);
    return tabs;
}

HWND frmMsr::makeFrame(HWND page, const RECT& r) {
    const HFONT font = fonts(scale_.dpi()).normal;
    // The caption is a label of its own, sized by measuring its text in the
    // font in use: the group box's own caption is cut short at its end and
    // its descenders cut by the line. Made first, the label lies above the
    // box, and the box's line is clipped where the label stands.
    HWND caption = makeControl(page, "STATIC", "", SS_CENTER | SS_NOPREFIX,
                               RECT{r.left, r.top, r.left, r.top}, -1, font);
    HWND frame =
        makeControl(page, "BUTTON", "", WS_VISIBLE | WS_CLIPSIBLINGS | BS_GROUPBOX, r, -1, font);
    frameCaptions_[frame] = caption;
    return frame;
}

void frmMsr::setFrameCaption(HWND frame, const std::string& text) {
    const auto found = frameCaptions_.find(frame);
    if (found == frameCaptions_.end() || windowText(found->second) == text) {
        return;
    }
    HWND caption = found->second;
    RECT box{};
    GetWindowRect(frame, &box);
    MapWindowPoints(nullptr, GetParent(frame), reinterpret_cast<POINT*>(&box), 2);
    RECT was{};
    GetClientRect(caption, &was);
    SetWindowTextA(caption, text.c_str());
    const SIZE size = textExtent(caption, text);
    const int gap = scale_.px(30);  // clear of the line on either side
    SetWindowPos(caption, nullptr, box.left + scale_.px(90), box.top, size.cx + 2 * gap, size.cy,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS);
    setVisible(caption, !text.empty());
    // The box's line where the caption was and the caption itself, afresh.
    RECT band{box.left, box.top, box.right, box.top + std::max<int>(was.bottom, size.cy)};
    RedrawWindow(GetParent(frame), &band, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void frmMsr::buildFrame(HWND page, const ui::FrameLayout& layout) {
    const Fonts& f = fonts(scale_.dpi());
    HWND frame = makeFrame(page, scale_.rect(layout.rect));
    if (layout.name == "Frame1") {
        Frame1 = frame;
    } else if (layout.name == "Frame2") {
        Frame2 = frame;
    } else {
        frame3[static_cast<std::size_t>(std::stoi(std::string(layout.name.substr(7))))] = frame;
    }
    const int left = layout.rect.left;
    const int top = layout.rect.top;
    for (const ui::HeaderLayout& header : ui::frameHeaders(layout)) {
        fitToText(makeControl(page, "STATIC", std::string(header.text),
                              (header.shown ? WS_VISIBLE : 0) | SS_LEFT | SS_NOPREFIX,
                              scale_.rect(header.rect, left, top), -1, f.bold));
    }
    for (int n = layout.firstItem; n <= layout.lastItem; ++n) {
        buildRow(page, n, left, top, layout.rowTop(n));
    }
}

void frmMsr::buildRow(HWND page, int n, int frameLeft, int frameTop, int rowTop) {
    const ui::ItemDef& def = ui::item(n);
    const auto i = static_cast<std::size_t>(n);
    const HFONT font = fonts(scale_.dpi()).normal;
    lblItem[i] = makeControl(page, "STATIC", "", WS_VISIBLE | SS_LEFT | SS_NOPREFIX,
                             scale_.rect(ui::captionRect(rowTop), frameLeft, frameTop),
                             ids::kLblItem + n, font);
    // A one-line list: shows the item's value and takes no input; its entry
    // is the value, not a choice, so no selection is drawn.
    const RECT valueRect = scale_.rect(ui::valueRect(rowTop), frameLeft, frameTop);
    const bool combo = def.control != ui::ValueControl::List;
    lstItem[i] = makeControl(page, "LISTBOX", "",
                             (combo ? 0 : WS_VISIBLE) | LBS_NOSEL | LBS_OWNERDRAWFIXED |
                                 LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT,
                             valueRect, ids::kLstItem + n, font, WS_EX_CLIENTEDGE);
    EnableWindow(lstItem[i], ui::valueShownEnabled(n) ? TRUE : FALSE);
    if (ui::valueTextAsTip(n)) {
        // Eight scan codes are wider than the column: the whole text is the
        // field's tooltip.
        addTip(lstItem[i], LPSTR_TEXTCALLBACKA);
    }
    if (combo) {
        // The combo box lies over the list and shows the same value.
        RECT drop = valueRect;
        drop.bottom += scale_.px(kDropRows * 240);
        // Drawn by the window: a text that is no entry shows in the box
        // without selecting anything.
        valueCombo[i] = makeControl(page, "COMBOBOX", "",
                                    WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST |
                                        CBS_OWNERDRAWFIXED | CBS_HASSTRINGS,
                                    drop, ids::kValueCombo + n, font);
        answerWithShownText(valueCombo[i], *window_.model().valueCombo(n));
    }
    cmdItem[i] = makeControl(page, "BUTTON", "", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
                             scale_.rect(ui::itemButtonRect(rowTop), frameLeft, frameTop),
                             ids::kCmdItem + n, font);
}

void frmMsr::buildModeFrame(HWND page) {
    const ui::ModeFrameLayout& layout = ui::modeFrame();
    const HFONT font = fonts(scale_.dpi()).normal;
    const int left = layout.frame.left;
    const int top = layout.frame.top;
    Frame4 = makeFrame(page, scale_.rect(layout.frame));
    Label2 = makeControl(page, "STATIC", std::string(layout.labelCaption), WS_VISIBLE | SS_LEFT,
                         scale_.rect(layout.label, left, top), ids::kLabel2, font);
    fitToText(Label2);
    RECT drop = scale_.rect(layout.combo, left, top);
    drop.bottom += scale_.px(3 * 240);
    Combo5 = makeControl(page, "COMBOBOX", "", WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWNLIST, drop,
                         ids::kCombo5, font);
    Cmdpt = makeControl(page, "BUTTON", "", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
                        scale_.rect(layout.cmdpt, left, top), ids::kCmdpt, font);
    Text1 = makeControl(page, "EDIT", "", ES_READONLY | ES_AUTOHSCROLL,
                        scale_.rect(layout.text1, left, top), ids::kText1, font, WS_EX_CLIENTEDGE);
    Command7 = makeControl(page, "BUTTON", "", WS_TABSTOP | BS_PUSHBUTTON,
                           scale_.rect(layout.command7, left, top), ids::kCommand7, font);
}

void frmMsr::buildCommands() {
    const auto buttons = ui::commandButtons();
    for (std::size_t k = 0; k < buttons.size() && k < Command.size(); ++k) {
        const ui::ButtonLayout& def = buttons[k];
        Command[k] = makeControl(client_, "BUTTON", std::string(def.caption),
                                 WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW, scale_.rect(def.rect),
                                 ids::kCommand1 + static_cast<int>(k), fonts(scale_.dpi()).small);
        if (!def.tooltip.empty()) {
            addTip(Command[k], std::string(def.tooltip).c_str());
        }
    }
}

void frmMsr::addTip(HWND control, const char* text) {
    TOOLINFOA tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = GetParent(control);
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = const_cast<char*>(text);
    SendMessageA(tips_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

void frmMsr::showPage(int page) {
    // The page chosen is shown and takes the focus before the others are
    // hidden: at no moment does the focus sit on a hidden control, where a
    // key would still reach it. The strip keeps the focus (arrows go on
    // choosing pages); from anywhere else it goes to the first control of
    // the page shown.
    HWND shown = msrTabs_.pages[static_cast<std::size_t>(page)];
    ShowWindow(shown, SW_SHOWNA);
    HWND focus = GetFocus();
    if (focus != SSTab2 && hwnd_ != nullptr && (focus == hwnd_ || IsChild(hwnd_, focus))) {
        HWND target = SSTab2;
        for (HWND c = GetWindow(shown, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
            if ((GetWindowLongA(c, GWL_STYLE) & WS_TABSTOP) != 0 && IsWindowVisible(c) &&
                IsWindowEnabled(c)) {
                target = c;
                break;
            }
        }
        SetFocus(target);
    }
    for (std::size_t p = 0; p < msrTabs_.pages.size(); ++p) {
        if (msrTabs_.pages[p] != shown) {
            ShowWindow(msrTabs_.pages[p], SW_HIDE);
        }
    }
}

bool frmMsr::preTranslate(MSG& msg) {
    if (msg.message == WM_KEYDOWN && GetActiveWindow() == hwnd_ && GetKeyState(VK_CONTROL) < 0 &&
        (msg.wParam == VK_TAB || msg.wParam == VK_NEXT || msg.wParam == VK_PRIOR)) {
        const bool back =
            msg.wParam == VK_PRIOR || (msg.wParam == VK_TAB && GetKeyState(VK_SHIFT) < 0);
        const int count = static_cast<int>(msrTabs_.pages.size());
        const int current = static_cast<int>(SendMessageA(SSTab2, TCM_GETCURSEL, 0, 0));
        const int next = (current + (back ? count - 1 : 1)) % count;
        SendMessageA(SSTab2, TCM_SETCURSEL, static_cast<WPARAM>(next), 0);
        showPage(next);
        return true;
    }
    // Tab between the controls, as on a form; menus keep their access keys.
    return msg.message == WM_KEYDOWN && msg.wParam == VK_TAB && hwnd_ != nullptr &&
           GetActiveWindow() == hwnd_ && IsDialogMessageA(hwnd_, &msg) != FALSE;
}

LRESULT CALLBACK frmMsr::proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<frmMsr*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self != nullptr && self->hwnd_ == window) {
        return self->handle(message, wParam, lParam);
    }
    if (self != nullptr && message == WM_MEASUREITEM) {
        // The one-line lists, while they are being made.
        auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        measure->itemHeight = static_cast<UINT>(self->scale_.px(ui::kRowHeight) - 4);
        return TRUE;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT frmMsr::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            command(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
            return 0;
        case WM_NOTIFY: {
            auto* header = reinterpret_cast<NMHDR*>(lParam);
            if (header->hwndFrom == SSTab2 && header->code == TCN_SELCHANGE) {
                showPage(static_cast<int>(SendMessageA(SSTab2, TCM_GETCURSEL, 0, 0)));
            } else if (header->code == TTN_GETDISPINFOA) {
                // A sequence field's whole text.
                auto* tip = reinterpret_cast<NMTTDISPINFOA*>(lParam);
                const int n =
                    itemOf(GetDlgCtrlID(reinterpret_cast<HWND>(header->idFrom)), ids::kLstItem);
                static std::string text;
                text = n > 0 ? window_.model().lstItem[static_cast<std::size_t>(n)].entryText(0)
                             : std::string();
                text = text.substr(0, text.find('\0'));
                tip->lpszText = text.data();
            }
            return 0;
        }
        case WM_MEASUREITEM: {
            auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
            measure->itemHeight = static_cast<UINT>(scale_.px(ui::kRowHeight) - 4);
            return TRUE;
        }
        case WM_DRAWITEM:
            drawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        case WM_CLOSE:
            close();
            return 0;
        case WM_DESTROY:
            closed_ = true;
            hwnd_ = nullptr;
            PostQuitMessage(0);
            return 0;
        default:
            break;
    }
    return DefWindowProcA(hwnd_, message, wParam, lParam);
}

void frmMsr::command(int id, int code, HWND from) {
    ui::MsrWindow& w = window_;
    if (from == nullptr && id >= ids::kMenuFirst &&
        id < ids::kMenuFirst + static_cast<int>(menuCommands_.size())) {
        const ui::Command c = menuCommands_[static_cast<std::size_t>(id - ids::kMenuFirst)];
        if (c == ui::Command::About) {
            About_Click();
        } else if (w.enabled(c)) {
            w.run(c);
        }
    } else if (code == BN_CLICKED && id >= ids::kCommand1 && id < ids::kCommand1 + 6) {
        const ui::Command c =
            ui::commandButtons()[static_cast<std::size_t>(id - ids::kCommand1)].command;
        if (w.enabled(c)) {
            w.run(c);
        }
    } else if (code == BN_CLICKED && (id == ids::kCmdpt || id == ids::kCommand7)) {
        const ui::Command c = id == ids::kCmdpt ? ui::Command::OposPreset : ui::Command::Command7;
        if (w.enabled(c)) {
            w.run(c);
        }
    } else if (code == BN_CLICKED && itemOf(id, ids::kCmdItem) > 0) {
        const int n = itemOf(id, ids::kCmdItem);
        if (w.itemButtonEnabled(n)) {
            w.cmdItem_Click(n);
        }
    } else if (code == CBN_SELCHANGE && itemOf(id, ids::kValueCombo) > 0) {
        w.choose(itemOf(id, ids::kValueCombo),
                 static_cast<int>(SendMessageA(from, CB_GETCURSEL, 0, 0)));
    } else if (code == CBN_SELCHANGE && id == ids::kCombo5) {
        w.chooseMode(static_cast<int>(SendMessageA(from, CB_GETCURSEL, 0, 0)));
    } else {
        return;
    }
    refresh();
}

void frmMsr::drawItem(const DRAWITEMSTRUCT& item) {
    const int id = static_cast<int>(item.CtlID);
    if (item.CtlType == ODT_LISTBOX) {
        drawValueLine(item, "");
    } else if (const int n = itemOf(id, ids::kValueCombo); item.CtlType == ODT_COMBOBOX && n > 0) {
        drawValueLine(item, window_.model().valueCombo(n)->text());
    } else if (id >= ids::kCommand1 && id < ids::kCommand1 + 6) {
        drawPictureButton(item, ui::commandButtons()[static_cast<std::size_t>(id - ids::kCommand1)],
                          fonts(scale_.dpi()).small);
    }
}

void frmMsr::refreshCombo(HWND combo, const ui::ComboBox& model) {
    setComboEntries(combo, model.entries());
    if (SendMessageA(combo, CB_GETCURSEL, 0, 0) != model.listIndex()) {
        SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(model.listIndex()), 0);
    }
}

void frmMsr::refresh() {
    if (hwnd_ == nullptr) {
        return;
    }
    const ui::WindowModel& m = window_.model();
    const bool idle = window_.idle();
    // Disabling the focused control would drop the operator's place.
    if (!idle && !wasRunning_) {
        focusBeforeOperation_ = GetFocus();
    }
    setText(hwnd_, m.title);
    setFrameCaption(Frame1, m.Frame1Caption);
    setFrameCaption(Frame2, m.Frame2Caption);
    setFrameCaption(Frame4, m.Frame4Caption);
    for (std::size_t k = 0; k < frame3.size(); ++k) {
        setFrameCaption(frame3[k], m.frame3Caption[k]);
    }
    for (int n = 0; n <= ui::kItemCount; ++n) {
        const auto i = static_cast<std::size_t>(n);
        setListEntries(lstItem[i], m.lstItem[i].entries());
        if (n == 0) {
            continue;
        }
        if (setText(lblItem[i], m.lblItem[i].caption)) {
            fitToText(lblItem[i]);
        }
        setVisible(lblItem[i], m.lblItem[i].visible);
        if (valueCombo[i] != nullptr) {
            refreshCombo(valueCombo[i], *m.valueCombo(n));
            setEnabled(valueCombo[i], window_.comboEnabled(n));
        }
        setText(cmdItem[i], m.cmdItem[i].caption);
        setVisible(cmdItem[i], m.cmdItem[i].visible);
        setEnabled(cmdItem[i], window_.itemButtonEnabled(n));
    }
    refreshCombo(Combo5, m.Combo5);
    setEnabled(Combo5, window_.comboEnabled(ui::kScanCodeModeItem));
    setText(Cmdpt, m.Cmdpt.caption);
    setVisible(Cmdpt, m.Cmdpt.visible);
    setEnabled(Cmdpt, window_.enabled(ui::Command::OposPreset));
    setText(Text1, m.Text1.caption);
    setVisible(Text1, m.Text1.visible);
    setEnabled(Text1, m.Text1.enabled);
    setText(Command7, m.Command7.caption);
    setVisible(Command7, m.Command7.visible);
    setEnabled(Command7, window_.enabled(ui::Command::Command7));
    const auto buttons = ui::commandButtons();
    for (std::size_t k = 0; k < Command.size(); ++k) {
        setEnabled(Command[k], window_.enabled(buttons[k].command));
    }
    for (std::size_t k = 0; k < menuCommands_.size(); ++k) {
        EnableMenuItem(menu_, static_cast<UINT>(ids::kMenuFirst + static_cast<int>(k)),
                       MF_BYCOMMAND | (window_.enabled(menuCommands_[k]) ? MF_ENABLED : MF_GRAYED));
    }
    if (about_ != nullptr) {
        about_->setLabel6(m.aboutLabel6);
    }
    if (idle && wasRunning_ && focusBeforeOperation_ != nullptr &&
        IsWindowEnabled(focusBeforeOperation_) && IsWindowVisible(focusBeforeOperation_)) {
        SetFocus(focusBeforeOperation_);
    }
    wasRunning_ = !idle;
    if (window_.ended() && !closing_) {
        closing_ = true;
        // Not from inside the handler that unloaded: let it return first.
        PostMessageA(hwnd_, WM_CLOSE, 0, 0);
    }
}

void frmMsr::close() {
    if (!window_.ended()) {
        // The close box: the same unload as the menu's "Exit".
        window_.Form_Unload();
        refresh();
    }
    if (!window_.ended()) {
        return;  // ends when the running operation has finished
    }
    closing_ = true;
    // Ending the program closes every other window.
    about_.reset();
    dialogs_.CloseWaiting();
    DestroyWindow(hwnd_);
}

void frmMsr::About_Click() {
    if (about_ == nullptr) {
        about_ = std::make_unique<frmAbout>(
            hwnd_,
            [this] {
                window_.cmdSysInfo_Click();
                refresh();
            },
            [this] {
                window_.aboutUnloaded();
                refresh();
            });
    }
    about_->showAbout();
    about_->setLabel6(window_.model().aboutLabel6);
}

void frmMsr::showMain() {
    centreOn(hwnd_, nullptr);
    ShowWindow(hwnd_, SW_SHOW);
    UpdateWindow(hwnd_);
    SetForegroundWindow(hwnd_);
}

}  // namespace tavrin::winui
