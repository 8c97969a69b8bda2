#include "gui/frm_waiting.h"

#include <QLabel>
#include <QProgressBar>
#include <cmath>

#include "gui/screen_centre.h"
#include "gui/twips.h"
#include "gui/win_text.h"

namespace tavrin::gui {

frmWaiting::frmWaiting(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    const ui::WaitingLayout& form = ui::waitingBox();
    setObjectName("frmWaiting");
    setWindowTitle(formText(form.caption));
    setModal(false);
    setFixedSize(twRect(form.size).size());
    Label1 = new QLabel(formText(form.line1), this);
    Label1->setGeometry(twRect(form.label1));
    Label2 = new QLabel(formText(form.line2), this);
    Label2->setGeometry(twRect(form.label2));
    progressBar = new QProgressBar(this);
    progressBar->setGeometry(twRect(form.progress));
    progressBar->setTextVisible(false);
    progressBar->setRange(0, 1000);
    progressBar->hide();
}

void frmWaiting::Form_Load() {
    progressBar->hide();
    progressBar->setRange(0, 1000);
    progressBar->setValue(0);
    if (!isVisible()) {
        show();
        placeOnScreen(*this);
    }
    raise();
    repaint();
}

void frmWaiting::setProgress(double progress) {
    if (std::isnan(progress) || progress < 0) {
        progressBar->setRange(0, 0);  // busy
    } else {
        progressBar->setRange(0, 1000);
        progressBar->setValue(static_cast<int>(std::lround(std::min(progress, 1.0) * 1000)));
    }
    progressBar->show();
    progressBar->repaint();
}

void frmWaiting::unload() {
    hide();
}

}  // namespace tavrin::gui
