#pragma once
// The dialogs the dispatch talks to. Normally every call goes to the
// operator's own dialogs; while an edit is scripted (a value given on the
// command line or in a profile, checked beforehand) the number box and
// frmPrePost return that value at once and message boxes stay unshown.
// An OK box due while the port is cut off from the system's keyboard
// driver waits until the operation has given it back: on a till whose
// only keyboard is this one, Enter would not reach it before.

#include <optional>
#include <string>
#include <vector>

#include "platform/dialogs.h"
#include "platform/port_driver.h"

namespace tavrin::ui {

class ScriptedOperator : public platform::OperatorDialogs {
public:
    ScriptedOperator(platform::OperatorDialogs& real, const platform::PortDriver& ports)
        : real_(real), ports_(ports) {}

    void beginScript(std::string answer) { answer_ = std::move(answer); }
    void endScript() { answer_.reset(); }

    platform::MsgAnswer MsgBox(const std::string& text, const std::string& title,
                               platform::MsgIcon icon, platform::MsgButtons buttons) override {
        if (answer_) {
            return buttons == platform::MsgButtons::YesNo ? platform::MsgAnswer::No
                                                          : platform::MsgAnswer::Ok;
        }
        if (buttons == platform::MsgButtons::Ok && ports_.keyboardCutOff()) {
            held_.push_back({text, title, icon});
            return platform::MsgAnswer::Ok;
        }
        return real_.MsgBox(text, title, icon, buttons);
    }
    // Once the port is back: the boxes that waited for it, in order.
    void showHeld() {
        std::vector<Held> due;
        due.swap(held_);
        for (const Held& box : due) {
            real_.MsgBox(box.text, box.title, box.icon, platform::MsgButtons::Ok);
        }
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
    struct Held {
        std::string text;
        std::string title;
        platform::MsgIcon icon;
    };

    platform::OperatorDialogs& real_;
    const platform::PortDriver& ports_;
    std::optional<std::string> answer_;
    std::vector<Held> held_;
};

}  // namespace tavrin::ui
