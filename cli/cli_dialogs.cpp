#include "cli/cli_dialogs.h"

#include "ui/display_text.h"

namespace tavrin::cli {

platform::MsgAnswer CliDialogs::MsgBox(const std::string& text, const std::string& title,
                                       platform::MsgIcon icon, platform::MsgButtons buttons) {
    err_ << ui::escapedUtf8(title.empty() ? std::string("Tavrin") : title) << ": "
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

}  // namespace tavrin::cli
