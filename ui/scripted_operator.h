#pragma once
// The dialogs the dispatch talks to. Normally every call goes to the
// operator's own dialogs; while an edit is scripted (a value given on the
// command line or in a profile, checked beforehand) the number box and
// frmPrePost return that value at once and message boxes stay unshown.

#include <optional>
#include <string>

#include "platform/dialogs.h"

namespace tavrin::ui {

class ScriptedOperator : public platform::OperatorDialogs {
public:
    explicit ScriptedOperator(platform::OperatorDialogs& real) : real_(real) {}

    void beginScript(std::string answer) { answer_ = std::move(answer); }
    void endScript() { answer_.reset(); }

    platform::MsgAnswer MsgBox(const std::string& text, const std::string& title,
                               platform::MsgIcon icon, platform::MsgButtons buttons) override {
        if (!answer_) {
            return real_.MsgBox(text, title, icon, buttons);
        }
        return buttons == platform::MsgButtons::YesNo ? platform::MsgAnswer::No
                                                      : platform::MsgAnswer::Ok;
    }
    std::string InputBox(const std::string& prompt, const std::string& title,
                         const std::string& defaultAnswer) override {
        if (!answer_) {
            return real_.InputBox(prompt, title, defaultAnswer);
        }
        return *answer_;
    }
    void ShowPrePost(platform::PrePostRequest& request) override {
        if (!answer_) {
            real_.ShowPrePost(request);
            return;
        }
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
};

}  // namespace tavrin::ui
