#pragma once
// frmMsr: the main window. It shows ui::WindowModel, puts the operator's
// own choices into it and calls ui::MsrWindow's handlers; every decision
// lives there. Controls keep the names of the original form, control arrays
// are members indexed by item number.

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <functional>
#include <utility>
#include <vector>

#include "items/catalogue.h"
#include "ui/form_layout.h"
#include "ui/msr_window.h"

class QAbstractButton;
class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;

namespace tavrin::gui {

class PictureButton;
class WheelGuard;
class frmAbout;

class frmMsr : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kArraySize = ui::kItemCount + 1;

    explicit frmMsr(ui::MsrWindow& window, QWidget* parent = nullptr);
    ~frmMsr() override;

    ui::MsrWindow& msrWindow() { return window_; }

    // Tells the operator the keyboard behind the window is the simulated one.
    void setSimulated(bool simulated);
    // Centres the window on the screen and shows it.
    void showMain();
    // Redraws every control from the model; runs no handler.
    void refresh();

    // The About box, made on first use; not shown by this call.
    frmAbout& about();
    void About_Click();

    // Tab sets and frames.
    QTabWidget* SSTab2 = nullptr;
    QTabWidget* SSTab1 = nullptr;
    QGroupBox* Frame1 = nullptr;
    QGroupBox* Frame2 = nullptr;
    QGroupBox* Frame4 = nullptr;
    std::array<QGroupBox*, 14> frame3{};
    std::vector<QLabel*> Label1;  // the column headers of the frames

    // Item controls; null where an item has no such control.
    std::array<QLabel*, kArraySize> lblItem{};
    std::array<QListWidget*, kArraySize> lstItem{};
    std::array<QComboBox*, kArraySize> cb{};
    std::array<QPushButton*, kArraySize> cmdItem{};
    QComboBox* Combo1 = nullptr;
    QComboBox* Combo2 = nullptr;
    QComboBox* Combo3 = nullptr;
    QComboBox* Combo4 = nullptr;

    // Frame4.
    QLabel* Label2 = nullptr;
    QComboBox* Combo5 = nullptr;
    QPushButton* Cmdpt = nullptr;
    QLineEdit* Text1 = nullptr;
    QPushButton* Command7 = nullptr;

    // The command column.
    PictureButton* Command1 = nullptr;
    PictureButton* Command2 = nullptr;
    PictureButton* Command3 = nullptr;
    PictureButton* Command4 = nullptr;
    PictureButton* Command5 = nullptr;
    PictureButton* Command6 = nullptr;

    // Menus.
    QAction* Readsettingfromfile = nullptr;
    QAction* Saveeepromsettingtofile = nullptr;
    QAction* Exit = nullptr;
    QAction* ReadsettingfromEEPROM = nullptr;
    QAction* writeSettingtoEEPROM = nullptr;
    QAction* Resettodefault = nullptr;
    QAction* About = nullptr;

    QLabel* simulatedLabel = nullptr;

    // The control that shows item n's value (cb, Combo1..Combo4), or null.
    QComboBox* valueCombo(int n) const;

signals:
    // The window has unloaded: the program ends.
    void ended();

protected:
    void closeEvent(QCloseEvent* event) override;
    // Ctrl+Tab and Ctrl+Shift+Tab on a combo box go to SSTab2: the combo
    // box would take the tab character for a search in its entries.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QTabWidget* buildTabs(QWidget* central, const ui::TabSetLayout& layout);
    QGroupBox* buildFrame(QWidget* page, const ui::FrameLayout& layout);
    void buildHiddenMembers(QWidget* page);
    void buildModeFrame(QWidget* page);
    void buildRow(QWidget* frame, int item, int top);
    QListWidget* makeItemList(QWidget* parent);
    QComboBox* makeCombo(QWidget* parent);
    void buildCommands(QWidget* central);
    void buildMenus();
    void wire();
    void focusShownPage(int page);

    // Runs one handler of the model, then shows what it left.
    void handle(const std::function<void()>& handler);

    void refreshList(QListWidget* list, const ui::ListBox& model);
    // A sequence can be longer than its field shows: the whole text is the
    // field's tooltip.
    static void showWholeTextAsTip(QListWidget* list);
    void refreshCombo(QComboBox* combo, const ui::ComboBox& model);
    void endIfUnloaded();

    ui::MsrWindow& window_;
    std::array<QComboBox*, kArraySize> valueCombos_{};  // by the item each shows
    // The buttons and menu entries that give a command, for their state.
    std::vector<std::pair<QAbstractButton*, ui::Command>> commandButtons_;
    std::vector<std::pair<QAction*, ui::Command>> commandActions_;
    WheelGuard* wheelGuard_ = nullptr;
    QPointer<frmAbout> about_;
    QPointer<QWidget> focusBeforeOperation_;
    bool wasRunning_ = false;
    bool closing_ = false;
    bool endedSignalled_ = false;
};

}  // namespace tavrin::gui
