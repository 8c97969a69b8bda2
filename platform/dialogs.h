#pragma once
// The operator's dialogs: message boxes, the number input box, the
// preamble/postamble dialog, the waiting dialog and the file dialogs.

#include <string>
#include <utility>

namespace tavrin::platform {

enum class MsgIcon { None, Information, Error };
enum class MsgButtons { Ok, YesNo };
enum class MsgAnswer { Ok, Yes, No };

// Shared with frmPrePost for one showing.
struct PrePostRequest {
    std::string text;           // in: current text; out: edited text on OK
    bool cancelled = false;     // out: true only when Cancel was pressed
    bool scanCodeForm = false;  // in
    std::string limitPrompt;    // in: the text of Labeldes

    // How the dialog closed: OK takes the edited text, Cancel says so, the
    // close box leaves the request as it was.
    enum class Outcome { Closed, Ok, Cancelled };
    void settle(Outcome outcome, std::string edited) {
        if (outcome == Outcome::Ok) {
            text = std::move(edited);
        } else if (outcome == Outcome::Cancelled) {
            cancelled = true;
        }
    }
};

class OperatorDialogs {
public:
    virtual ~OperatorDialogs() = default;

    // An empty title stands for the program's default title.
    virtual MsgAnswer MsgBox(const std::string& text, const std::string& title, MsgIcon icon,
                             MsgButtons buttons) = 0;
    // Cancel gives the empty answer.
    virtual std::string InputBox(const std::string& prompt, const std::string& title,
                                 const std::string& defaultAnswer) = 0;
    // Modal; returns when the dialog has closed.
    virtual void ShowPrePost(PrePostRequest& request) = 0;

    // frmWaiting, shown without blocking. progress in 0..1 where the
    // operation knows its length, negative where it does not.
    virtual void ShowWaiting() = 0;
    virtual void SetWaitingProgress(double progress) { (void)progress; }
    virtual void CloseWaiting() = 0;
    virtual bool waitingShown() const = 0;

    // The Open and Save dialogs with the "*.* | *.*" filter; an empty name
    // means the operator cancelled.
    virtual std::string GetOpenFileName() = 0;
    virtual std::string GetSaveFileName() = 0;
};

}  // namespace tavrin::platform
