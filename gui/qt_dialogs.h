#pragma once
// The operator's dialogs on Qt: message boxes, the input box, frmPrePost,
// frmWaiting and the Open and Save dialogs, owned by the main window.

#include <QPointer>
#include <QString>
#include <QWidget>
#include <memory>

#include "platform/dialogs.h"

class QInputDialog;
class QMessageBox;

namespace tavrin::gui {

class frmWaiting;

// The boxes as MsgBox and InputBox show them, for showing and for pictures.
std::unique_ptr<QMessageBox> makeMsgBox(QWidget* parent, const std::string& text,
                                        const std::string& title, platform::MsgIcon icon,
                                        platform::MsgButtons buttons);
std::unique_ptr<QInputDialog> makeInputBox(QWidget* parent, const std::string& prompt,
                                           const std::string& title,
                                           const std::string& defaultAnswer);

// The filter of the Open and Save dialogs: one entry, any file.
inline constexpr const char* kAnyFileFilter = "*.* (*)";

class QtOperatorDialogs : public platform::OperatorDialogs {
public:
    explicit QtOperatorDialogs(QWidget* owner = nullptr);
    ~QtOperatorDialogs() override;
    QtOperatorDialogs(const QtOperatorDialogs&) = delete;
    QtOperatorDialogs& operator=(const QtOperatorDialogs&) = delete;

    // The main window, once it exists; modal dialogs are its children.
    void setOwner(QWidget* owner);

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

    // frmWaiting, made on first use.
    frmWaiting& waiting();
    // The title of a message box that names none: the program's own.
    static QString defaultTitle();

private:
    QWidget* dialogParent() const;
    std::string fileDialog(bool save);

    QPointer<QWidget> owner_;
    QPointer<frmWaiting> waiting_;
};

}  // namespace tavrin::gui
