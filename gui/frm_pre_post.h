#pragma once
// frmPrePost: the modal dialog in which the operator edits one preamble or
// postamble text. It only edits; the caller checks and writes the text.

#include <QDialog>

#include "platform/dialogs.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace tavrin::gui {

class frmPrePost : public QDialog {
    Q_OBJECT
public:
    explicit frmPrePost(QWidget* owner = nullptr);

    // Every showing starts from the design texts, then takes the request's
    // text, form and limit prompt.
    void Form_Load(const platform::PrePostRequest& request);
    // What the showing gave: OK (or Enter) sets the text, Cancel the flag,
    // any other close leaves both as the caller set them.
    void applyTo(platform::PrePostRequest& request) const;

    QLabel* lblPrePost = nullptr;
    QLineEdit* txtPrePost = nullptr;
    QListWidget* lstPrePost = nullptr;
    QLabel* Labeldes = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

    void cmdOK_Click();
    void cmdCancel_Click();
    void lstPrePost_DblClick(QListWidgetItem* entry);

protected:
    // Escape does not cancel, and Enter outside the text box does nothing.
    void keyPressEvent(QKeyEvent* event) override;

private:
    using Outcome = platform::PrePostRequest::Outcome;
    Outcome outcome_ = Outcome::Closed;
};

}  // namespace tavrin::gui
