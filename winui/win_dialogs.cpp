#include "winui/win_dialogs.h"

#include <algorithm>
#include <cmath>

#include "scantext/scan_text.h"
#include "ui/display_text.h"
#include "ui/form_layout.h"
#include "winui/control_ids.h"
#include "winui/controls.h"
#include "winui/dialog_window.h"

namespace tavrin::winui {

namespace {

using platform::MsgAnswer;
using platform::MsgButtons;
using platform::MsgIcon;

// The number input box: prompt over the text field, OK and Cancel on the
// right, as the classic input box lays them out.
struct InputBoxLayout {
    ui::TwipsRect size{0, 0, 6150, 2070};
    ui::TwipsRect prompt{120, 180, 4500, 1200};
    ui::TwipsRect ok{4800, 180, 1215, 375};
    ui::TwipsRect cancel{4800, 660, 1215, 375};
    ui::TwipsRect text{120, 1590, 5895, 315};
};

std::string title(const std::string& given) {
    return given.empty() ? std::string(ui::kProgramName) : given;
}

}  // namespace

WinOperatorDialogs::WinOperatorDialogs() = default;
WinOperatorDialogs::~WinOperatorDialogs() = default;

HWND WinOperatorDialogs::owner() const {
    // Over the window the operator works in (the About box, say), else the
    // main window once shown; before that boxes stand on their own.
    HWND active = GetActiveWindow();
    if (active != nullptr && IsWindowVisible(active) && active != waitingWindow()) {
        return active;
    }
    return main_ != nullptr && IsWindowVisible(main_) ? main_ : nullptr;
}

MsgAnswer WinOperatorDialogs::MsgBox(const std::string& text, const std::string& caption,
                                     MsgIcon icon, MsgButtons buttons) {
    UINT flags = buttons == MsgButtons::YesNo ? MB_YESNO | MB_DEFBUTTON1 : MB_OK;
    switch (icon) {
        case MsgIcon::None:
            break;
        case MsgIcon::Information:
            flags |= MB_ICONINFORMATION;
            break;
        case MsgIcon::Error:
            flags |= MB_ICONERROR;
            break;
    }
    HWND over = owner();
    // Without an owner the box still holds every window of the program.
    flags |= over == nullptr ? MB_TASKMODAL : MB_APPLMODAL;
    const int answer = MessageBoxA(over, text.c_str(), title(caption).c_str(), flags);
    if (buttons == MsgButtons::Ok) {
        return MsgAnswer::Ok;
    }
    return answer == IDYES ? MsgAnswer::Yes : MsgAnswer::No;
}

std::string WinOperatorDialogs::InputBox(const std::string& prompt, const std::string& caption,
                                         const std::string& defaultAnswer) {
    const InputBoxLayout form;
    DialogWindow box(owner(), title(caption), form.size);
    box.add("STATIC", prompt, SS_LEFT, form.prompt, ids::kPrompt);
    box.add("BUTTON", "OK", WS_TABSTOP | BS_DEFPUSHBUTTON, form.ok, IDOK);
    box.add("BUTTON", "Cancel", WS_TABSTOP | BS_PUSHBUTTON, form.cancel, IDCANCEL);
    HWND text = box.add("EDIT", defaultAnswer, WS_TABSTOP | ES_AUTOHSCROLL, form.text, ids::kAnswer,
                        nullptr, WS_EX_CLIENTEDGE);
    SendMessageA(text, EM_SETSEL, 0, -1);
    bool accepted = false;
    box.onCommand = [&](int id, int code) {
        if (code == BN_CLICKED && (id == IDOK || id == IDCANCEL)) {
            accepted = id == IDOK;
            box.end();
        }
    };
    box.runModal(text);
    return accepted ? windowText(text) : std::string();  // Cancel gives the empty answer
}

void WinOperatorDialogs::ShowPrePost(platform::PrePostRequest& request) {
    const ui::PrePostLayout& form = ui::prePostBox();
    const scantext::PrePostTexts& texts = scantext::prePostTexts(request.scanCodeForm);
    DialogWindow box(owner(), std::string(texts.caption), form.size);
    box.add("STATIC", std::string(texts.prompt), SS_LEFT, form.prompt, ids::kPrompt);
    HWND text = box.add("EDIT", ui::visibleText(request.text), WS_TABSTOP | ES_AUTOHSCROLL,
                        form.text, ids::kAnswer, nullptr, WS_EX_CLIENTEDGE);
    HWND examples =
        box.add("LISTBOX", "", WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
                form.examples, ids::kExamples, nullptr, WS_EX_CLIENTEDGE);
    for (std::string_view example : texts.examples) {
        const std::string line(example);
        SendMessageA(examples, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    }
    box.add("STATIC", request.limitPrompt, SS_LEFT, form.limits, ids::kLimits);
    // Neither button is the default: Enter means OK only in the text field.
    box.add("BUTTON", std::string(form.okCaption), WS_TABSTOP | BS_PUSHBUTTON, form.ok, IDOK);
    box.add("BUTTON", std::string(form.cancelCaption), WS_TABSTOP | BS_PUSHBUTTON, form.cancel,
            IDCANCEL);
    SendMessageA(text, EM_SETSEL, 0, -1);

    using Outcome = platform::PrePostRequest::Outcome;
    Outcome outcome = Outcome::Closed;
    box.onCommand = [&](int id, int code) {
        if (id == ids::kExamples && code == LBN_DBLCLK) {
            const auto k = SendMessageA(examples, LB_GETCURSEL, 0, 0);
            if (k >= 0) {
                char entry[256] = {};
                if (SendMessageA(examples, LB_GETTEXTLEN, static_cast<WPARAM>(k), 0) <
                    static_cast<LRESULT>(sizeof entry)) {
                    SendMessageA(examples, LB_GETTEXT, static_cast<WPARAM>(k),
                                 reinterpret_cast<LPARAM>(entry));
                    // To the end of the text, not at the caret.
                    setText(text, windowText(text) + entry);
                    const int end = GetWindowTextLengthA(text);
                    SendMessageA(text, EM_SETSEL, static_cast<WPARAM>(end), end);
                }
            }
        } else if (code == BN_CLICKED && (id == IDOK || id == IDCANCEL)) {
            outcome = id == IDOK ? Outcome::Ok : Outcome::Cancelled;
            box.end();
        }
    };
    box.onKey = [&](const MSG& msg) {
        if (msg.wParam == VK_ESCAPE) {
            return true;  // Esc closes nothing here
        }
        if (msg.wParam == VK_RETURN) {
            if (msg.message == WM_KEYDOWN && GetFocus() == text) {
                outcome = Outcome::Ok;
                box.end();
            }
            return true;
        }
        return false;
    };
    box.runModal(text);
    request.settle(outcome, windowText(text));
}

void WinOperatorDialogs::ShowWaiting() {
    const ui::WaitingLayout& form = ui::waitingBox();
    if (!waiting_) {
        waiting_ = std::make_unique<DialogWindow>(main_, std::string(form.caption), form.size,
                                                  DialogWindow::Frame::TitleOnly);
        waiting_->add("STATIC", std::string(form.line1), SS_LEFT, form.label1, ids::kPrompt);
        waiting_->add("STATIC", std::string(form.line2), SS_LEFT, form.label2, ids::kLimits);
        HWND bar = waiting_->add(PROGRESS_CLASSA, "", 0, form.progress, ids::kProgress);
        SendMessageA(bar, PBM_SETRANGE32, 0, 1000);
        waiting_->onClose = [] {};  // no close box: it goes when the operation ends
    }
    HWND bar = waiting_->control(ids::kProgress);
    SendMessageA(bar, PBM_SETPOS, 0, 0);
    ShowWindow(bar, SW_HIDE);
    waiting_->showModeless();
    SetWindowPos(waiting_->hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void WinOperatorDialogs::SetWaitingProgress(double progress) {
    if (!waitingShown()) {
        return;
    }
    HWND bar = waiting_->control(ids::kProgress);
    const bool busy = std::isnan(progress) || progress < 0;
    LONG style = GetWindowLongA(bar, GWL_STYLE);
    if (busy != ((style & PBS_MARQUEE) != 0)) {
        SetWindowLongA(bar, GWL_STYLE, busy ? style | PBS_MARQUEE : style & ~PBS_MARQUEE);
        SendMessageA(bar, PBM_SETMARQUEE, busy ? TRUE : FALSE, 50);
    }
    if (!busy) {
        const auto pos = std::lround(std::min(progress, 1.0) * 1000);
        SendMessageA(bar, PBM_SETPOS, static_cast<WPARAM>(pos), 0);
    }
    ShowWindow(bar, SW_SHOWNA);
    UpdateWindow(bar);
}

void WinOperatorDialogs::CloseWaiting() {
    if (waiting_) {
        ShowWindow(waiting_->hwnd(), SW_HIDE);
    }
}

bool WinOperatorDialogs::waitingShown() const {
    return waiting_ && IsWindowVisible(waiting_->hwnd());
}

HWND WinOperatorDialogs::waitingWindow() const {
    return waiting_ ? waiting_->hwnd() : nullptr;
}

std::string WinOperatorDialogs::fileDialog(bool save) {
    char name[4096] = {};
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner();
    dialog.lpstrFilter = "*.*\0*.*\0";
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = name;
    dialog.nMaxFile = sizeof name;
    // Open takes any name as well: the load itself reports a missing file.
    dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    // The common dialogs' library (and the shell behind it) is loaded on
    // first use, not with the program: most runs never open a file.
    using Dialog = BOOL(WINAPI*)(OPENFILENAMEA*);
    static HMODULE library = LoadLibraryA("comdlg32.dll");
    auto run = library == nullptr ? nullptr
                                  : reinterpret_cast<Dialog>(reinterpret_cast<void*>(GetProcAddress(
                                        library, save ? "GetSaveFileNameA" : "GetOpenFileNameA")));
    if (run == nullptr) {
        MsgBox("The file dialogs cannot be shown: comdlg32.dll is missing.", "", MsgIcon::Error,
               MsgButtons::Ok);
        return {};
    }
    return run(&dialog) ? std::string(name) : std::string();
}

std::string WinOperatorDialogs::GetOpenFileName() {
    return fileDialog(false);
}

std::string WinOperatorDialogs::GetSaveFileName() {
    return fileDialog(true);
}

}  // namespace tavrin::winui
