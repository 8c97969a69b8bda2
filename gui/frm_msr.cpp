#include "gui/frm_msr.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTabWidget>

#include "gui/frm_about.h"
#include "gui/painted_icons.h"
#include "gui/picture_button.h"
#include "gui/screen_centre.h"
#include "gui/twips.h"
#include "gui/wheel_guard.h"
#include "gui/win_text.h"

namespace tavrin::gui {

frmMsr::frmMsr(ui::MsrWindow& window, QWidget* parent)
    : QMainWindow(parent), window_(window), wheelGuard_(new WheelGuard(this)) {
    setObjectName("frmMsr");
    // A fixed-size form: a title, the system menu, minimise and close, and
    // no maximise box, which could do nothing.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    auto* central = new QWidget(this);
    central->setObjectName("client");
    // The client area of the form, 9585 x 7680 twips; the menu bar (and
    // the simulation's status bar) come on top of it, as on the original.
    central->setFixedSize(twRect(ui::kClientArea).size());
    setCentralWidget(central);

    SSTab2 = buildTabs(central, ui::msrTabs());
    SSTab1 = buildTabs(central, ui::barcodeTabs());
    Frame1 = findChild<QGroupBox*>("Frame1");
    Frame2 = findChild<QGroupBox*>("Frame2");
    for (std::size_t i = 0; i < frame3.size(); ++i) {
        frame3[i] = findChild<QGroupBox*>(QString("frame3_%1").arg(i));
    }
    Combo1 = findChild<QComboBox*>("Combo1");
    Combo2 = findChild<QComboBox*>("Combo2");
    Combo3 = findChild<QComboBox*>("Combo3");
    Combo4 = findChild<QComboBox*>("Combo4");

    buildCommands(central);
    buildMenus();
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    wire();
    window_.model().repaint = [this] { refresh(); };
    refresh();
}

frmMsr::~frmMsr() {
    window_.model().repaint = nullptr;
}

QListWidget* frmMsr::makeItemList(QWidget* parent) {
    // A one-line list: shows the item's value, takes no input of its own.
    // Its entry is the value, not a choice, so no selection is drawn.
    auto* list = new QListWidget(parent);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->setSelectionMode(QAbstractItemView::NoSelection);
    list->setFocusPolicy(Qt::NoFocus);
    list->setAttribute(Qt::WA_TransparentForMouseEvents);
    list->setTextElideMode(Qt::ElideRight);
    list->setUniformItemSizes(true);
    return list;
}

QComboBox* frmMsr::makeCombo(QWidget* parent) {
    auto* combo = new QComboBox(parent);
    combo->setEditable(false);
    combo->setMaxVisibleItems(8);
    wheelGuard_->guard(combo);
    combo->installEventFilter(this);
    return combo;
}

bool frmMsr::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) &&
            (key->modifiers() & Qt::ControlModifier) != 0 && SSTab2 != nullptr &&
            SSTab2->isAncestorOf(qobject_cast<QWidget*>(watched))) {
            QCoreApplication::sendEvent(SSTab2, event);
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmMsr::buildRow(QWidget* frame, int n, int top) {
    const ui::ItemDef& def = ui::item(n);
    const auto i = static_cast<std::size_t>(n);

    auto* label = new QLabel(frame);
    label->setObjectName(QString("lblItem_%1").arg(n));
    label->setGeometry(twRect(ui::captionRect(top)));
    lblItem[i] = label;

    QListWidget* list = makeItemList(frame);
    list->setObjectName(QString("lstItem_%1").arg(n));
    list->setGeometry(twRect(ui::valueRect(top)));
    lstItem[i] = list;

    list->setEnabled(ui::valueShownEnabled(n));
    if (ui::valueTextAsTip(n)) {
        // Eight scan codes are wider than the column: the mouse may reach
        // the list, for the tooltip with the whole text, and nothing else.
        list->setAttribute(Qt::WA_TransparentForMouseEvents, false);
        list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    }
    if (def.control != ui::ValueControl::List) {
        // The combo box lies over the list and shows the same value.
        list->hide();
        QComboBox* combo = makeCombo(frame);
        combo->setGeometry(twRect(ui::valueRect(top)));
        combo->setObjectName(QString::fromStdString(ui::valueControlName(n)));
        valueCombos_[i] = combo;
        if (def.control == ui::ValueControl::Cb) {
            cb[i] = combo;
        }
    }

    auto* button = new QPushButton(frame);
    button->setObjectName(QString("cmdItem_%1").arg(n));
    button->setGeometry(twRect(ui::itemButtonRect(top)));
    button->setAutoDefault(false);
    cmdItem[i] = button;
}

QGroupBox* frmMsr::buildFrame(QWidget* page, const ui::FrameLayout& layout) {
    auto* frame = new QGroupBox(page);
    frame->setObjectName(formText(layout.name));
    frame->setGeometry(twRect(layout.rect));
    for (const ui::HeaderLayout& def : ui::frameHeaders(layout)) {
        auto* label = new QLabel(formText(def.text), frame);
        label->setObjectName(QString("Label1_%1").arg(Label1.size()));
        label->setGeometry(twRect(def.rect));
        QFont bold = label->font();
        bold.setBold(true);
        label->setFont(bold);
        label->setVisible(def.shown);
        Label1.push_back(label);
    }
    for (int n = layout.firstItem; n <= layout.lastItem; ++n) {
        buildRow(frame, n, layout.rowTop(n));
    }
    return frame;
}

QTabWidget* frmMsr::buildTabs(QWidget* central, const ui::TabSetLayout& layout) {
    auto* tabs = new QTabWidget(central);
    tabs->setObjectName(formText(layout.name));
    tabs->setGeometry(twRect(layout.rect));
    tabs->setUsesScrollButtons(false);
    // Out of sight and disabled, so that Tab cannot walk into it.
    tabs->setEnabled(layout.reachable);
    for (std::size_t p = 0; p < layout.pages.size(); ++p) {
        auto* page = new QWidget;
        tabs->addTab(page, formText(layout.pages[p]));
        for (const ui::FrameLayout& frame : layout.frames) {
            if (frame.page == static_cast<int>(p)) {
                buildFrame(page, frame);
            }
        }
        if (layout.hiddenMembersPage == static_cast<int>(p)) {
            buildHiddenMembers(page);
        }
        if (layout.modeFramePage == static_cast<int>(p)) {
            buildModeFrame(page);
        }
    }
    tabs->setCurrentIndex(layout.firstPage);
    return tabs;
}

void frmMsr::buildHiddenMembers(QWidget* page) {
    lstItem[0] = makeItemList(page);
    lstItem[0]->setObjectName("lstItem_0");
    lstItem[0]->setGeometry(twRect(ui::kHiddenList0));
    lstItem[0]->hide();
    lstItem[0]->setEnabled(false);
    cmdItem[0] = new QPushButton(page);
    cmdItem[0]->setObjectName("cmdItem_0");
    cmdItem[0]->setGeometry(twRect(ui::kHiddenButton0));
    cmdItem[0]->hide();
    cmdItem[0]->setEnabled(false);
}

void frmMsr::buildModeFrame(QWidget* page) {
    const ui::ModeFrameLayout& layout = ui::modeFrame();
    Frame4 = new QGroupBox(page);
    Frame4->setObjectName("Frame4");
    Frame4->setGeometry(twRect(layout.frame));
    Label2 = new QLabel(formText(layout.labelCaption), Frame4);
    Label2->setObjectName("Label2");
    Label2->setGeometry(twRect(layout.label));
    Combo5 = makeCombo(Frame4);
    Combo5->setObjectName("Combo5");
    Combo5->setGeometry(twRect(layout.combo));
    Cmdpt = new QPushButton(Frame4);
    Cmdpt->setObjectName("Cmdpt");
    Cmdpt->setGeometry(twRect(layout.cmdpt));
    Cmdpt->setAutoDefault(false);
    Text1 = new QLineEdit(Frame4);
    Text1->setObjectName("Text1");
    Text1->setGeometry(twRect(layout.text1));
    Text1->setReadOnly(true);
    Command7 = new QPushButton(Frame4);
    Command7->setObjectName("Command7");
    Command7->setGeometry(twRect(layout.command7));
    Command7->setAutoDefault(false);
    commandButtons_.push_back({Cmdpt, ui::Command::OposPreset});
    commandButtons_.push_back({Command7, ui::Command::Command7});
}

void frmMsr::buildCommands(QWidget* central) {
    PictureButton** const members[] = {&Command1, &Command2, &Command3,
                                       &Command4, &Command5, &Command6};
    const auto buttons = ui::commandButtons();
    for (std::size_t k = 0; k < buttons.size(); ++k) {
        const ui::ButtonLayout& def = buttons[k];
        auto* button = new PictureButton(paintedIcon(def.picture), formText(def.caption), central);
        button->setObjectName(formText(def.name));
        button->setGeometry(twRect(def.rect));
        if (!def.tooltip.empty()) {
            button->setToolTip(formText(def.tooltip));
        }
        *members[k] = button;
        commandButtons_.push_back({button, def.command});
    }
}

void frmMsr::buildMenus() {
    QAction** const members[] = {
        &Readsettingfromfile,  &Saveeepromsettingtofile, &Exit, &ReadsettingfromEEPROM,
        &writeSettingtoEEPROM, &Resettodefault,          &About};
    std::size_t k = 0;
    for (const ui::MenuLayout& def : ui::menus()) {
        QMenu* menu = menuBar()->addMenu(formText(def.caption));
        menu->setObjectName(formText(def.name));
        for (const ui::MenuEntryLayout& entry : def.entries) {
            QAction* action = menu->addAction(formText(entry.caption));
            action->setObjectName(formText(entry.name));
            *members[k++] = action;
            commandActions_.push_back({action, entry.command});
        }
    }
}

void frmMsr::setSimulated(bool simulated) {
    if (simulated && simulatedLabel == nullptr) {
        simulatedLabel = new QLabel(formText(ui::kSimulatedNote));
        simulatedLabel->setObjectName("simulatedLabel");
        // Clear of the window's right edge, where the frame would cut it.
        simulatedLabel->setContentsMargins(0, 0, tw(120), 0);
        statusBar()->setSizeGripEnabled(false);
        statusBar()->addPermanentWidget(simulatedLabel);
    }
    if (simulatedLabel != nullptr) {
        statusBar()->setVisible(simulated);
    }
}

void frmMsr::handle(const std::function<void()>& handler) {
    handler();
    refresh();
}

void frmMsr::wire() {
    ui::MsrWindow* w = &window_;
    for (int n = 1; n <= ui::kItemCount; ++n) {
        connect(cmdItem[static_cast<std::size_t>(n)], &QPushButton::clicked, this,
                [this, w, n] { handle([w, n] { w->cmdItem_Click(n); }); });
        if (QComboBox* combo = valueCombo(n)) {
            connect(combo, &QComboBox::activated, this,
                    [this, w, n](int index) { handle([w, n, index] { w->choose(n, index); }); });
        }
    }
    connect(Combo5, &QComboBox::activated, this,
            [this, w](int index) { handle([w, index] { w->chooseMode(index); }); });
    connect(SSTab2, &QTabWidget::currentChanged, this, &frmMsr::focusShownPage);

    for (const auto& [button, command] : commandButtons_) {
        connect(button, &QAbstractButton::clicked, this,
                [this, w, c = command] { handle([w, c] { w->run(c); }); });
    }
    for (const auto& [action, command] : commandActions_) {
        if (command == ui::Command::About) {
            connect(action, &QAction::triggered, this, &frmMsr::About_Click);
        } else {
            connect(action, &QAction::triggered, this,
                    [this, w, c = command] { handle([w, c] { w->run(c); }); });
        }
    }
}

void frmMsr::focusShownPage(int page) {
    // As in the Windows window: a page change takes the focus off the page
    // left (so no key reaches a hidden control) to the first control of the
    // page shown, whatever control of that page had it last; the tab bar
    // keeps it.
    QWidget* focus = QApplication::focusWidget();
    QWidget* shown = SSTab2->widget(page);
    if (focus == nullptr || shown == nullptr || focus == SSTab2->tabBar() ||
        focus->window() != this) {
        return;
    }
    QWidget* target = SSTab2->tabBar();
    for (QWidget* w = shown->nextInFocusChain(); w != shown; w = w->nextInFocusChain()) {
        if (shown->isAncestorOf(w) && (w->focusPolicy() & Qt::TabFocus) == Qt::TabFocus &&
            w->isVisibleTo(shown) && w->isEnabled()) {
            target = w;
            break;
        }
    }
    target->setFocus(Qt::TabFocusReason);
}

QComboBox* frmMsr::valueCombo(int n) const {
    return n >= 1 && n <= ui::kItemCount ? valueCombos_[static_cast<std::size_t>(n)] : nullptr;
}

void frmMsr::refreshList(QListWidget* list, const ui::ListBox& model) {
    const QSignalBlocker blocker(list);
    bool same = list->count() == model.listCount();
    for (int k = 0; same && k < model.listCount(); ++k) {
        same = list->item(k)->text() == displayLine(model.entries()[static_cast<std::size_t>(k)]);
    }
    if (!same) {
        list->clear();
        // Rows as high as the box, so that the one entry shown sits in its
        // middle like the text of the combo boxes beside it.
        const int rowHeight = list->height() - 2 * list->frameWidth();
        for (const std::string& entry : model.entries()) {
            auto* row = new QListWidgetItem(displayLine(entry), list);
            row->setSizeHint(QSize(0, rowHeight));
        }
    }
}

void frmMsr::showWholeTextAsTip(QListWidget* list) {
    const QString text = list->count() > 0 ? list->item(0)->text() : QString();
    if (list->toolTip() != text) {
        list->setToolTip(text);
    }
    if (list->count() > 0) {
        list->item(0)->setToolTip(text);
    }
}

void frmMsr::refreshCombo(QComboBox* combo, const ui::ComboBox& model) {
    const QSignalBlocker blocker(combo);
    bool same = combo->count() == static_cast<int>(model.entries().size());
    for (int k = 0; same && k < combo->count(); ++k) {
        same = combo->itemText(k) == displayLine(model.entries()[static_cast<std::size_t>(k)]);
    }
    if (!same) {
        combo->clear();
        for (const std::string& entry : model.entries()) {
            combo->addItem(displayLine(entry));
        }
    }
    if (model.listIndex() >= 0) {
        combo->setCurrentIndex(model.listIndex());
    } else {
        // A text that is no entry (or none at all) shows in the box without
        // selecting anything.
        combo->setPlaceholderText(displayLine(model.text()));
        combo->setCurrentIndex(-1);
    }
}

void frmMsr::refresh() {
    const ui::WindowModel& m = window_.model();
    const bool idle = window_.idle();

    // Disabling the focused control would drop the operator's place.
    if (!idle && !wasRunning_) {
        focusBeforeOperation_ = QApplication::focusWidget();
    }

    setWindowTitle(fromWinText(m.title));
    Frame1->setTitle(fromWinText(m.Frame1Caption));
    Frame2->setTitle(fromWinText(m.Frame2Caption));
    Frame4->setTitle(fromWinText(m.Frame4Caption));
    for (std::size_t i = 0; i < frame3.size(); ++i) {
        frame3[i]->setTitle(fromWinText(m.frame3Caption[i]));
    }

    for (int n = 1; n <= ui::kItemCount; ++n) {
        const auto i = static_cast<std::size_t>(n);
        lblItem[i]->setText(fromWinText(m.lblItem[i].caption));
        lblItem[i]->setVisible(m.lblItem[i].visible);
        refreshList(lstItem[i], m.lstItem[i]);
        if (ui::valueTextAsTip(n)) {
            showWholeTextAsTip(lstItem[i]);
        }
        if (QComboBox* combo = valueCombo(n)) {
            refreshCombo(combo, *m.valueCombo(n));
            combo->setEnabled(window_.comboEnabled(n));
        }
        cmdItem[i]->setText(fromWinText(m.cmdItem[i].caption));
        cmdItem[i]->setVisible(m.cmdItem[i].visible);
        cmdItem[i]->setEnabled(window_.itemButtonEnabled(n));
    }
    refreshList(lstItem[0], m.lstItem[0]);

    refreshCombo(Combo5, m.Combo5);
    Combo5->setEnabled(window_.comboEnabled(ui::kScanCodeModeItem));
    Cmdpt->setText(fromWinText(m.Cmdpt.caption));
    Cmdpt->setVisible(m.Cmdpt.visible);
    Text1->setText(fromWinText(m.Text1.caption));
    Text1->setVisible(m.Text1.visible);
    Text1->setEnabled(m.Text1.enabled);
    Command7->setText(fromWinText(m.Command7.caption));
    Command7->setVisible(m.Command7.visible);
    for (const auto& [button, command] : commandButtons_) {
        button->setEnabled(window_.enabled(command));
    }
    for (const auto& [action, command] : commandActions_) {
        action->setEnabled(window_.enabled(command));
    }

    if (about_) {
        about_->setLabel6(fromWinText(m.aboutLabel6));
    }

    if (idle && wasRunning_ && focusBeforeOperation_ && focusBeforeOperation_->isEnabled() &&
        focusBeforeOperation_->isVisible()) {
        focusBeforeOperation_->setFocus();
    }
    wasRunning_ = !idle;
    endIfUnloaded();
}

void frmMsr::endIfUnloaded() {
    if (window_.ended() && !closing_) {
        closing_ = true;
        // Not from inside the handler that unloaded: let it return first.
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    }
}

void frmMsr::closeEvent(QCloseEvent* event) {
    if (endedSignalled_) {
        event->accept();
        return;
    }
    if (!window_.ended()) {
        // The close box: the same unload as the menu's "Exit".
        window_.Form_Unload();
        refresh();
    }
    if (!window_.ended()) {
        event->ignore();  // ends when the running operation has finished
        return;
    }
    closing_ = true;
    endedSignalled_ = true;
    event->accept();
    // Ending the program closes every other window.
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w != this && w->isVisible()) {
            w->hide();
        }
    }
    emit ended();
}

frmAbout& frmMsr::about() {
    if (!about_) {
        about_ = new frmAbout(this);
        connect(about_, &frmAbout::unloaded, this, [this] {
            window_.aboutUnloaded();
            refresh();
        });
        connect(about_, &frmAbout::cmdSysInfo_Click, this,
                [this] { handle([this] { window_.cmdSysInfo_Click(); }); });
        about_->setLabel6(fromWinText(window_.model().aboutLabel6));
    }
    return *about_;
}

void frmMsr::About_Click() {
    frmAbout& box = about();
    box.setLabel6(fromWinText(window_.model().aboutLabel6));
    box.showAbout();
}

void frmMsr::showMain() {
    placeOnScreen(*this);
    show();
    placeOnScreen(*this);
}

}  // namespace tavrin::gui
