#include "gui/frm_waiting.h"

#include <QLabel>
#include <QProgressBar>
#include <cmath>

#include "gui/screen_centre.h"
#include "gui/twips.h"

namespace tavrin::gui {

frmWaiting::frmWaiting(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName("frmWaiting");
    setWindowTitle("Waiting");
    setModal(false);
    setFixedSize(tw(3735), tw(1575));
    Label1 = new QLabel("Processing,", this);
    Label1->setGeometry(twRect(480, 240, 2775, 255));
    Label2 = new QLabel("please wait .......", this);
    Label2->setGeometry(twRect(480, 540, 2775, 255));
    progressBar = new QProgressBar(this);
    progressBar->setGeometry(twRect(480, 960, 2775, 255));
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
        centreOnScreen(*this);
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
