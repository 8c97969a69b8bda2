#pragma once
// The operator's dialogs without a window: message boxes become lines on
// the error stream, confirmations take the --yes answer or, without it, a
// y or n from the terminal, and nothing is edited interactively. The
// waiting dialog's progress becomes one updated line on a terminal.

#include <istream>
#include <ostream>
#include <string>

#include "platform/dialogs.h"

namespace tavrin::cli {

class CliDialogs : public platform::OperatorDialogs {
public:
    // answers: where the operator answers confirmations; null for No.
    CliDialogs(std::ostream& err, bool answerYes, bool progress = false,
               std::istream* answers = nullptr)
        : err_(err), answerYes_(answerYes), progress_(progress), answers_(answers) {}

    platform::MsgAnswer MsgBox(const std::string& text, const std::string& title,
                               platform::MsgIcon icon, platform::MsgButtons buttons) override;
    std::string InputBox(const std::string&, const std::string&, const std::string&) override {
        return {};
    }
    void ShowPrePost(platform::PrePostRequest& request) override { request.cancelled = true; }
    void ShowWaiting() override { waiting_ = true; }
    void SetWaitingProgress(double progress) override;
    void CloseWaiting() override;
    bool waitingShown() const override { return waiting_; }
    std::string GetOpenFileName() override { return {}; }
    std::string GetSaveFileName() override { return {}; }

    bool showsProgress() const { return progress_; }
    // One line on a terminal, rewritten in place until a message or
    // endProgressLine ends it.
    void progressLine(const std::string& text);
    void endProgressLine();

private:
    std::ostream& err_;
    bool answerYes_;
    bool progress_;
    std::istream* answers_;
    bool waiting_ = false;
    bool progressLine_ = false;
};

}  // namespace tavrin::cli
