#include "gui/frm_about.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>

#include "gui/painted_icons.h"
#include "gui/picture_box.h"
#include "gui/screen_centre.h"
#include "gui/twips.h"
#include "ui/msr_window.h"

namespace tavrin::gui {

frmAbout::frmAbout(QWidget* owner) : QDialog(owner) {
    setObjectName("frmAbout");
    setWindowTitle("About MSR");
    setModal(false);
    setFixedSize(tw(5730), tw(3630));

    Picture1 = new PictureBox(paintedIcon(Picture::Keyboard), this);
    Picture1->setGeometry(twRect(240, 240, 1020, 1020));

    Label2 = new QLabel("Tavrin", this);
    Label2->setGeometry(twRect(1500, 180, 3975, 480));
    QFont big = Label2->font();
    big.setPointSizeF(big.pointSizeF() * 1.8);
    big.setBold(true);
    Label2->setFont(big);
    Label3 = new QLabel(ui::kAboutLabel3, this);
    Label3->setGeometry(twRect(1500, 720, 3975, 255));
    Label4 = new QLabel("Win95/98/ME/XP/2000", this);
    Label4->setGeometry(twRect(1500, 990, 3975, 255));
    Label1 = new QLabel("Tavrin point-of-sale utilities", this);
    Label1->setGeometry(twRect(1500, 1320, 3975, 255));
    Label5 = new QLabel("For PS/2 POS keyboards with a built-in magnetic stripe reader", this);
    Label5->setGeometry(twRect(1500, 1590, 3975, 450));
    Label5->setWordWrap(true);
    Label5->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label6 = new QLabel(ui::kAboutLabel6Design, this);
    Label6->setGeometry(twRect(1500, 2100, 3975, 255));

    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(twRect(225, 2460, 5280, 30));

    cmdAboutEnd = new QPushButton("OK", this);
    cmdAboutEnd->setGeometry(twRect(3885, 2625, 1620, 375));
    cmdAboutEnd->setDefault(true);
    cmdSysInfo = new QPushButton("System Info....", this);
    cmdSysInfo->setGeometry(twRect(3885, 3090, 1620, 375));
    cmdSysInfo->setAutoDefault(false);

    connect(cmdAboutEnd, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);
}

void frmAbout::showAbout() {
    if (!isVisible()) {
        if (!loaded_) {
            centreOnScreen(*this);
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
