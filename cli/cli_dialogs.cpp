#include "cli/cli_dialogs.h"

#include <cmath>
#include <string>

#include "items/catalogue.h"
#include "ui/display_text.h"
#include "ui/form_layout.h"

namespace tavrin::cli {

platform::MsgAnswer CliDialogs::MsgBox(const std::string& text, const std::string& title,
                                       platform::MsgIcon, platform::MsgButtons buttons) {
    endProgressLine();
    err_ << ui::escapedUtf8(title.empty() ? std::string(ui::kProgramName) : title) << ": "
         << ui::escapedUtf8(text);
    if (buttons != platform::MsgButtons::YesNo) {
        err_ << '\n';
        return platform::MsgAnswer::Ok;
    }
    bool yes = answerYes_;
    if (!yes && answers_ != nullptr) {
        err_ << " [y/N] " << std::flush;
        std::string answer;
        // On a terminal the answer's own line end ends the question's
        // line; in a log of the error stream, this one does.
        if (!std::getline(*answers_, answer) || !progress_) {
            err_ << '\n';
        }
        yes = !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y');
    } else {
        err_ << '\n';
    }
    return yes ? platform::MsgAnswer::Yes : platform::MsgAnswer::No;
}

// The whole-image write reports its share of the item frames sent.
void CliDialogs::SetWaitingProgress(double progress) {
    if (!progress_ || progress < 0) {
        return;
    }
    constexpr int frames = ui::kLastWriteItem - ui::kFirstWriteItem + 1;
    progressLine("writing: " + std::to_string(std::lround(progress * frames)) + " of " +
                 std::to_string(frames) + " frames sent");
}

void CliDialogs::progressLine(const std::string& text) {
    if (progress_) {
        err_ << '\r' << text << std::flush;
        progressLine_ = true;
    }
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
