#pragma once
// frmWaiting: shown without blocking while a long device or file operation
// runs, closed by that operation. It offers no way to cancel.

#include <QDialog>

class QLabel;
class QProgressBar;

namespace tavrin::gui {

class frmWaiting : public QDialog {
    Q_OBJECT
public:
    explicit frmWaiting(QWidget* owner = nullptr);

    // Shows it centred on the screen, the progress bar hidden until a
    // progress is given.
    void Form_Load();
    // 0..1 fills the bar; a negative value shows a busy bar.
    void setProgress(double progress);
    void unload();

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QProgressBar* progressBar = nullptr;

public slots:
    // The operator cannot close it: the close box and Escape do nothing.
    void reject() override {}
};

}  // namespace tavrin::gui
