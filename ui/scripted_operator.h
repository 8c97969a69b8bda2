#pragma once
// The dialogs the dispatch talks to. Normally every call goes to the
// operator's own dialogs; while an edit is scripted (a value given on the
// command line or in a profile) the number box and frmPrePost return that
// value at once, and message boxes are kept as the edit's outcome instead
// of being shown.

#include <optional>
#include <string>
#include <vector>

#include "platform/dialogs.h"

namespace tavrin::ui {

class ScriptedOperator : public platform::OperatorDialogs {
public:
    explicit ScriptedOperator(platform::OperatorDialogs& real) : real_(real) {}

    void beginScript(std::string answer) {
        answer_ = std::move(answer);
        errors_.clear();
        asked_ = false;
    }
    void endScript() { answer_.reset(); }
    // Error messages shown during the script, in order.
    const std::vector<std::string>& errors() const { return errors_; }
    // Whether the dispatch asked for the answer at all.
    bool asked() const { return asked_; }

    platform::MsgAnswer MsgBox(const std::string& text, const std::string& title,
                               platform::MsgIcon icon, platform::MsgButtons buttons) override {
        if (!answer_) {
            return real_.MsgBox(text, title, icon, buttons);
        }
        if (icon == platform::MsgIcon::Error) {
            errors_.push_back(text);
        }
        return buttons == platform::MsgButtons::YesNo ? platform::MsgAnswer::No
                                                      : platform::MsgAnswer::Ok;
    }
    std::string InputBox(const std::string& prompt, const std::string& title,
                         const std::string& defaultAnswer) override {
        if (!answer_) {
            return real_.InputBox(prompt, title, defaultAnswer);
        }
        asked_ = true;
        return *answer_;
    }
    void ShowPrePost(platform::PrePostRequest& request) override {
        if (!answer_) {
            real_.ShowPrePost(request);
            return;
        }
        asked_ = true;
        request.text = *answer_;
        request.cancelled = false;
    }
    void ShowWaiting() override { real_.ShowWaiting(); }
    void SetWaitingProgress(double progress) override { real_.SetWaitingProgress(progress); }
    void CloseWaiting() override { real_.CloseWaiting(); }
    bool waitingShown() const override { return real_.waitingShown(); }
    std::string GetOpenFileName() override { return real_.GetOpenFileName(); }
    std::string GetSaveFileName() override { return real_.GetSaveFileName(); }

private:
    platform::OperatorDialogs& real_;
    std::optional<std::string> answer_;
    std::vector<std::string> errors_;
    bool asked_ = false;
};

}  // namespace tavrin::ui
