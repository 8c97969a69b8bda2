#pragma once
// The operator's dialogs as the Windows API shows them: MessageBoxA, the
// number input box, frmPrePost, frmWaiting and the common Open and Save
// dialogs. Texts pass through as code page 1252 bytes.

#include <memory>
#include <string>

#include "platform/dialogs.h"
#include "winui/win_api.h"

namespace tavrin::winui {

class DialogWindow;

class WinOperatorDialogs : public platform::OperatorDialogs {
public:
    WinOperatorDialogs();
    ~WinOperatorDialogs() override;

    // The main window, once it exists; dialogs stand over it when shown.
    void setOwner(HWND main) { main_ = main; }

    platform::MsgAnswer MsgBox(const std::string& text, const std::string& title,
                               platform::MsgIcon icon, platform::MsgButtons buttons) override;
    std::string InputBox(const std::string& prompt, const std::string& title,
                         const std::string& defaultAnswer) override;
    void ShowPrePost(platform::PrePostRequest& request) override;
    void ShowWaiting() override;
    void SetWaitingProgress(double progress) override;
    void CloseWaiting() override;
    bool waitingShown() const override;
    std::string GetOpenFileName() override;
    std::string GetSaveFileName() override;

    HWND waitingWindow() const;

private:
    HWND owner() const;
    std::string fileDialog(bool save);

    HWND main_ = nullptr;
    std::unique_ptr<DialogWindow> waiting_;
};

}  // namespace tavrin::winui
