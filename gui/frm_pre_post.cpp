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
    setFixedSize(tw(4575), tw(4620));

    lblPrePost = new QLabel(formText(texts.prompt), this);
    lblPrePost->setGeometry(twRect(120, 120, 4335, 255));
    txtPrePost = new QLineEdit(this);
    txtPrePost->setGeometry(twRect(120, 480, 4335, 375));
    lstPrePost = new QListWidget(this);
    lstPrePost->setGeometry(twRect(120, 960, 2655, 3570));
    Labeldes = new QLabel(this);
    Labeldes->setGeometry(twRect(2880, 1200, 1455, 1095));
    Labeldes->setWordWrap(true);
    Labeldes->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    cmdOK = new QPushButton("OK", this);
    cmdOK->setGeometry(twRect(2880, 3600, 1575, 375));
    cmdCancel = new QPushButton("Cancel", this);
    cmdCancel->setGeometry(twRect(2880, 4080, 1575, 375));
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
    centreOnScreen(*this);
}

void frmPrePost::applyTo(platform::PrePostRequest& request) const {
    switch (outcome_) {
        case Outcome::Ok:
            request.text = toWinText(txtPrePost->text());
            break;
        case Outcome::Cancelled:
            request.cancelled = true;
            break;
        case Outcome::Closed:
            break;
    }
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
