#include "gui/frm_about.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>

#include "gui/painted_icons.h"
#include "gui/picture_box.h"
#include "gui/screen_centre.h"
#include "gui/twips.h"
#include "gui/win_text.h"
#include "ui/form_layout.h"

namespace tavrin::gui {

frmAbout::frmAbout(QWidget* owner) : QDialog(owner) {
    const ui::AboutLayout& form = ui::aboutBox();
    setObjectName("frmAbout");
    setWindowTitle(formText(form.caption));
    setModal(false);
    setFixedSize(twRect(form.size).size());

    Picture1 = new PictureBox(paintedIcon(Picture::Keyboard), this);
    Picture1->setGeometry(twRect(form.picture));
    for (const ui::AboutLabel& def : form.labels) {
        auto* label = new QLabel(formText(def.text), this);
        label->setObjectName(formText(def.name));
        label->setGeometry(twRect(def.rect));
        if (def.title) {
            QFont big = label->font();
            big.setPointSizeF(big.pointSizeF() * 1.8);
            big.setBold(true);
            label->setFont(big);
        }
        if (def.wrap) {
            label->setWordWrap(true);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        }
    }
    Label1 = findChild<QLabel*>("Label1");
    Label2 = findChild<QLabel*>("Label2");
    Label3 = findChild<QLabel*>("Label3");
    Label4 = findChild<QLabel*>("Label4");
    Label5 = findChild<QLabel*>("Label5");
    Label6 = findChild<QLabel*>("Label6");

    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(twRect(form.line));

    cmdAboutEnd = new QPushButton(formText(form.okCaption), this);
    cmdAboutEnd->setGeometry(twRect(form.ok));
    cmdAboutEnd->setDefault(true);
    cmdSysInfo = new QPushButton(formText(form.sysInfoCaption), this);
    cmdSysInfo->setGeometry(twRect(form.sysInfo));
    cmdSysInfo->setAutoDefault(false);

    connect(cmdAboutEnd, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);
}

void frmAbout::showAbout() {
    if (!isVisible()) {
        if (!loaded_) {
            placeOnScreen(*this);
            loaded_ = true;
        }
        show();
    }
    raise();
    activateWindow();
}

void frmAbout::setLabel6(const QString& text) {
    Label6->setText(text);
}

void frmAbout::done(int result) {
    // Unloading drops the run-time texts; the next load shows the design ones.
    loaded_ = false;
    QDialog::done(result);
    emit unloaded();
}

}  // namespace tavrin::gui
