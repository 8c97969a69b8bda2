#pragma once
// The operator's dialogs without an operator: message boxes become lines on
// the error stream, confirmations take the --yes answer, file dialogs give
// the names from the command line, and nothing is edited interactively.

#include <deque>
#include <ostream>
#include <string>

#include "platform/dialogs.h"

namespace tavrin::cli {

class CliDialogs : public platform::OperatorDialogs {
public:
    CliDialogs(std::ostream& err, bool answerYes) : err_(err), answerYes_(answerYes) {}

    platform::MsgAnswer MsgBox(const std::string& text, const std::string& title,
                               platform::MsgIcon icon, platform::MsgButtons buttons) override;
    std::string InputBox(const std::string&, const std::string&, const std::string&) override {
        return {};
    }
    void ShowPrePost(platform::PrePostRequest& request) override { request.cancelled = true; }
    void ShowWaiting() override { waiting_ = true; }
    void CloseWaiting() override { waiting_ = false; }
    bool waitingShown() const override { return waiting_; }
    std::string GetOpenFileName() override { return take(openName_); }
    std::string GetSaveFileName() override { return take(saveName_); }

    void presetOpenName(std::string name) { openName_ = std::move(name); }
    void presetSaveName(std::string name) { saveName_ = std::move(name); }

    int errorsShown() const { return errors_; }
    bool declined() const { return declined_; }

private:
    static std::string take(std::string& name) {
        std::string taken = std::move(name);
        name.clear();
        return taken;
    }

    std::ostream& err_;
    bool answerYes_;
    bool waiting_ = false;
    int errors_ = 0;
    bool declined_ = false;
    std::string openName_;
    std::string saveName_;
};

}  // namespace tavrin::cli
