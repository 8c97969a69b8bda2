#include "cli/cli_dialogs.h"

#include <cmath>

#include "eeprom/item_write_table.h"
#include "ui/display_text.h"
#include "ui/form_layout.h"

namespace tavrin::cli {

platform::MsgAnswer CliDialogs::MsgBox(const std::string& text, const std::string& title,
                                       platform::MsgIcon icon, platform::MsgButtons buttons) {
    endProgressLine();
    err_ << ui::escapedUtf8(title.empty() ? std::string(ui::kProgramName) : title) << ": "
         << ui::escapedUtf8(text) << '\n';
    if (icon == platform::MsgIcon::Error) {
        ++errors_;
    }
    if (buttons == platform::MsgButtons::YesNo) {
        if (!answerYes_) {
            declined_ = true;
        }
        return answerYes_ ? platform::MsgAnswer::Yes : platform::MsgAnswer::No;
    }
    return platform::MsgAnswer::Ok;
}

// The whole-image write reports its share of the item frames sent.
void CliDialogs::SetWaitingProgress(double progress) {
    if (!progress_ || progress < 0) {
        return;
    }
    constexpr int frames = eeprom::kLastWriteItem - eeprom::kFirstWriteItem + 1;
    err_ << "\rwriting: " << std::lround(progress * frames) << " of " << frames << " frames sent"
         << std::flush;
    progressLine_ = true;
}

void CliDialogs::CloseWaiting() {
    waiting_ = false;
    endProgressLine();
}

void CliDialogs::endProgressLine() {
    if (progressLine_) {
        err_ << '\n';
        progressLine_ = false;
    }
}

}  // namespace tavrin::cli
