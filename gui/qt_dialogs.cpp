#include "gui/qt_dialogs.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

#include "gui/frm_pre_post.h"
#include "gui/frm_waiting.h"
#include "gui/win_text.h"
#include "ui/form_layout.h"

namespace tavrin::gui {

using platform::MsgAnswer;
using platform::MsgButtons;
using platform::MsgIcon;

QtOperatorDialogs::QtOperatorDialogs(QWidget* owner) : owner_(owner) {}

QtOperatorDialogs::~QtOperatorDialogs() {
    if (waiting_ && waiting_->parent() == nullptr) {
        delete waiting_.data();
    }
}

void QtOperatorDialogs::setOwner(QWidget* owner) {
    owner_ = owner;
    if (waiting_ && waiting_->parent() == nullptr && owner != nullptr) {
        const bool shown = waiting_->isVisible();
        waiting_->setParent(owner, waiting_->windowFlags());
        if (shown) {
            waiting_->show();
        }
    }
}

QString QtOperatorDialogs::defaultTitle() {
    QString name = QGuiApplication::applicationDisplayName();
    return name.isEmpty() ? formText(ui::kProgramName) : name;
}

QWidget* QtOperatorDialogs::dialogParent() const {
    // Over the window the operator works in: the About box when a message
    // comes from it, else the main window once it is shown. Before that
    // (the start-up read) boxes stand on their own, centred on the screen.
    QWidget* active = QApplication::activeWindow();
    if (active != nullptr && active->isVisible() && qobject_cast<frmWaiting*>(active) == nullptr) {
        return active;
    }
    if (owner_ && owner_->isVisible()) {
        return owner_;
    }
    return nullptr;
}

std::unique_ptr<QMessageBox> makeMsgBox(QWidget* parent, const std::string& text,
                                        const std::string& title, MsgIcon icon,
                                        MsgButtons buttons) {
    auto box = std::make_unique<QMessageBox>(parent);
    box->setObjectName("MsgBox");
    box->setWindowTitle(title.empty() ? QtOperatorDialogs::defaultTitle() : fromWinText(title));
    box->setText(fromWinText(text));
    switch (icon) {
        case MsgIcon::None:
            box->setIcon(QMessageBox::NoIcon);
            break;
        case MsgIcon::Information:
            box->setIcon(QMessageBox::Information);
            break;
        case MsgIcon::Error:
            box->setIcon(QMessageBox::Critical);
            break;
    }
    if (buttons == MsgButtons::YesNo) {
        box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box->setDefaultButton(QMessageBox::Yes);
    } else {
        box->setStandardButtons(QMessageBox::Ok);
        box->setDefaultButton(QMessageBox::Ok);
    }
    return box;
}

std::unique_ptr<QInputDialog> makeInputBox(QWidget* parent, const std::string& prompt,
                                           const std::string& title,
                                           const std::string& defaultAnswer) {
    auto box = std::make_unique<QInputDialog>(parent);
    box->setObjectName("InputBox");
    box->setInputMode(QInputDialog::TextInput);
    box->setWindowTitle(title.empty() ? QtOperatorDialogs::defaultTitle() : fromWinText(title));
    box->setLabelText(fromWinText(prompt));
    box->setTextValue(fromWinText(defaultAnswer));
    return box;
}

MsgAnswer QtOperatorDialogs::MsgBox(const std::string& text, const std::string& title, MsgIcon icon,
                                    MsgButtons buttons) {
    auto box = makeMsgBox(dialogParent(), text, title, icon, buttons);
    const int answer = box->exec();
    if (buttons == MsgButtons::Ok) {
        return MsgAnswer::Ok;
    }
    return answer == QMessageBox::Yes ? MsgAnswer::Yes : MsgAnswer::No;
}

std::string QtOperatorDialogs::InputBox(const std::string& prompt, const std::string& title,
                                        const std::string& defaultAnswer) {
    auto box = makeInputBox(dialogParent(), prompt, title, defaultAnswer);
    if (box->exec() != QDialog::Accepted) {
        return {};  // Cancel gives the empty answer
    }
    return toWinText(box->textValue());
}

void QtOperatorDialogs::ShowPrePost(platform::PrePostRequest& request) {
    frmPrePost dialog(dialogParent());
    dialog.Form_Load(request);
    dialog.exec();
    dialog.applyTo(request);
}

frmWaiting& QtOperatorDialogs::waiting() {
    if (!waiting_) {
        waiting_ = new frmWaiting(owner_);
    }
    return *waiting_;
}

void QtOperatorDialogs::ShowWaiting() {
    waiting().Form_Load();
}

void QtOperatorDialogs::SetWaitingProgress(double progress) {
    if (waiting_ && waiting_->isVisible()) {
        waiting_->setProgress(progress);
    }
}

void QtOperatorDialogs::CloseWaiting() {
    if (waiting_) {
        waiting_->unload();
    }
}

bool QtOperatorDialogs::waitingShown() const {
    return waiting_ && waiting_->isVisible();
}

std::string QtOperatorDialogs::fileDialog(bool save) {
    QFileDialog dialog(dialogParent(), save ? QStringLiteral("Save As") : QStringLiteral("Open"));
    dialog.setObjectName(save ? "dlgDialogSave" : "dlgDialogOpen");
    dialog.setNameFilter(kAnyFileFilter);
    // Open takes any name as well: the load itself reports a missing file.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    if (save) {
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    }
    dialog.selectFile(QString());
    if (dialog.exec() != QDialog::Accepted) {
        return {};
    }
    const QString chosen = dialog.selectedFiles().value(0);
    if (chosen.isEmpty()) {
        return {};
    }
    return QFile::encodeName(QDir::toNativeSeparators(chosen)).toStdString();
}

std::string QtOperatorDialogs::GetOpenFileName() {
    return fileDialog(false);
}

std::string QtOperatorDialogs::GetSaveFileName() {
    return fileDialog(true);
}

}  // namespace tavrin::gui
