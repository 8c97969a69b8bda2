#include "winui/frm_about.h"

#include "ui/form_layout.h"
#include "winui/control_ids.h"
#include "winui/controls.h"
#include "winui/dialog_window.h"
#include "winui/picture_paint.h"

namespace tavrin::winui {

namespace {
constexpr int kPicture = 110;
constexpr int kFirstLabel = 111;
}  // namespace

frmAbout::frmAbout(HWND owner, std::function<void()> sysInfo, std::function<void()> unloaded)
    : owner_(owner), sysInfo_(std::move(sysInfo)), unloaded_(std::move(unloaded)) {}

frmAbout::~frmAbout() = default;

HWND frmAbout::hwnd() const {
    return box_ ? box_->hwnd() : nullptr;
}

bool frmAbout::shown() const {
    return box_ && IsWindowVisible(box_->hwnd());
}

void frmAbout::showAbout() {
    if (box_ && !IsWindowVisible(box_->hwnd())) {
        box_.reset();  // unloaded: made afresh with its design texts
    }
    if (!box_) {
        const ui::AboutLayout& form = ui::aboutBox();
        box_ = std::make_unique<DialogWindow>(owner_, std::string(form.caption), form.size);
        const Fonts& f = fonts(box_->scale().dpi());
        box_->add("STATIC", "", SS_OWNERDRAW, form.picture, kPicture);
        int id = kFirstLabel;
        for (const ui::AboutLabel& label : form.labels) {
            box_->add("STATIC", std::string(label.text),
                      SS_LEFT | SS_NOPREFIX | (label.wrap ? 0 : SS_LEFTNOWORDWRAP), label.rect,
                      id++, label.title ? f.title : f.normal);
        }
        box_->add("STATIC", "", SS_ETCHEDHORZ, form.line, -1);
        box_->add("BUTTON", std::string(form.okCaption), WS_TABSTOP | BS_DEFPUSHBUTTON, form.ok,
                  IDOK);
        box_->add("BUTTON", std::string(form.sysInfoCaption), WS_TABSTOP | BS_PUSHBUTTON,
                  form.sysInfo, ids::kSysInfo);
        box_->onCommand = [this](int id, int code) {
            if (code != BN_CLICKED) {
                return;
            }
            if (id == ids::kSysInfo) {
                sysInfo_();
            } else if (id == IDOK || id == IDCANCEL) {
                unload();
            }
        };
        box_->onClose = [this] { unload(); };
        box_->onDrawItem = [](const DRAWITEMSTRUCT& item) {
            FillRect(item.hDC, &item.rcItem, GetSysColorBrush(COLOR_BTNFACE));
            paintPicture(item.hDC, item.rcItem, ui::Picture::Keyboard);
        };
    }
    box_->showModeless();
    SetForegroundWindow(box_->hwnd());
    SetFocus(box_->control(IDOK));
}

void frmAbout::setLabel6(const std::string& text) {
    if (!box_) {
        return;
    }
    const auto& labels = ui::aboutBox().labels;
    for (std::size_t k = 0; k < labels.size(); ++k) {
        if (labels[k].name == "Label6") {
            setText(box_->control(kFirstLabel + static_cast<int>(k)), text);
        }
    }
}

void frmAbout::unload() {
    // Unloading drops the run-time texts; the next load shows the design
    // ones. The window goes when the box is next shown or the program ends:
    // this runs inside its own window procedure.
    ShowWindow(box_->hwnd(), SW_HIDE);
    if (owner_ != nullptr && IsWindowEnabled(owner_)) {
        SetForegroundWindow(owner_);
    }
    unloaded_();
}

}  // namespace tavrin::winui
