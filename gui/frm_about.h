#pragma once
// frmAbout: the program's name and version, the firmware version read from
// the keyboard, and the way to the system information viewer. Not modal.

#include <QDialog>

class QLabel;
class QPushButton;

namespace tavrin::gui {

class PictureBox;

class frmAbout : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(QWidget* owner = nullptr);

    // Shows it, centred on the screen the first time it loads.
    void showAbout();
    void setLabel6(const QString& text);

    PictureBox* Picture1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr;
    QPushButton* cmdSysInfo = nullptr;
    QPushButton* cmdAboutEnd = nullptr;

signals:
    void cmdSysInfo_Click();
    // The box closed, by its OK button, its close box or Escape.
    void unloaded();

public slots:
    void done(int result) override;

private:
    bool loaded_ = false;
};

}  // namespace tavrin::gui
