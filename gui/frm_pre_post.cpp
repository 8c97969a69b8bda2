#include "gui/frm_pre_post.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "gui/screen_centre.h"
#include "gui/twips.h"
#include "gui/win_text.h"
#include "scantext/scan_text.h"
#include "ui/display_text.h"

namespace tavrin::gui {

frmPrePost::frmPrePost(QWidget* owner) : QDialog(owner) {
    setObjectName("frmPrePost");
    const scantext::PrePostTexts& texts = scantext::prePostTexts(false);
    setWindowTitle(formText(texts.caption));
    const ui::PrePostLayout& form = ui::prePostBox();
    setFixedSize(twRect(form.size).size());

    lblPrePost = new QLabel(formText(texts.prompt), this);
    lblPrePost->setGeometry(twRect(form.prompt));
    txtPrePost = new QLineEdit(this);
    txtPrePost->setGeometry(twRect(form.text));
    lstPrePost = new QListWidget(this);
    lstPrePost->setGeometry(twRect(form.examples));
    Labeldes = new QLabel(this);
    Labeldes->setGeometry(twRect(form.limits));
    Labeldes->setWordWrap(true);
    Labeldes->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    cmdOK = new QPushButton(formText(form.okCaption), this);
    cmdOK->setGeometry(twRect(form.ok));
    cmdCancel = new QPushButton(formText(form.cancelCaption), this);
    cmdCancel->setGeometry(twRect(form.cancel));
    // Neither button is the window's default or cancel button.
    for (QPushButton* b : {cmdOK, cmdCancel}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }

    // Tab order: the text box first, then the list and the two buttons.
    setTabOrder(txtPrePost, lstPrePost);
    setTabOrder(lstPrePost, cmdOK);
    setTabOrder(cmdOK, cmdCancel);

    connect(cmdOK, &QPushButton::clicked, this, &frmPrePost::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmPrePost::cmdCancel_Click);
    connect(txtPrePost, &QLineEdit::returnPressed, this, &frmPrePost::cmdOK_Click);
    connect(lstPrePost, &QListWidget::itemDoubleClicked, this, &frmPrePost::lstPrePost_DblClick);
}

void frmPrePost::Form_Load(const platform::PrePostRequest& request) {
    outcome_ = Outcome::Closed;
    lstPrePost->clear();
    txtPrePost->setText(fromWinText(ui::visibleText(request.text)));
    const scantext::PrePostTexts& texts = scantext::prePostTexts(request.scanCodeForm);
    setWindowTitle(formText(texts.caption));
    lblPrePost->setText(formText(texts.prompt));
    for (std::string_view example : texts.examples) {
        lstPrePost->addItem(formText(example));
    }
    Labeldes->setText(fromWinText(request.limitPrompt));
    txtPrePost->setFocus();
    placeOnScreen(*this);
}

void frmPrePost::applyTo(platform::PrePostRequest& request) const {
    request.settle(outcome_, toWinText(txtPrePost->text()));
}

void frmPrePost::cmdOK_Click() {
    outcome_ = Outcome::Ok;
    accept();
}

void frmPrePost::cmdCancel_Click() {
    outcome_ = Outcome::Cancelled;
    reject();
}

void frmPrePost::lstPrePost_DblClick(QListWidgetItem* entry) {
    if (entry != nullptr) {
        // To the end of the text, not at the caret.
        txtPrePost->setText(txtPrePost->text() + entry->text());
        txtPrePost->end(false);
    }
}

void frmPrePost::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Escape:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            event->accept();
            return;
        default:
            QDialog::keyPressEvent(event);
    }
}

}  // namespace tavrin::gui
