#include "gui/frm_msr.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
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

namespace {

// Columns of every item frame, in twips from the frame's left edge.
constexpr int kCaptionLeft = 180;
constexpr int kCaptionWidth = 3780;
constexpr int kValueLeft = 4080;
constexpr int kValueWidth = 2535;
constexpr int kButtonLeft = 6780;
constexpr int kButtonWidth = 975;
constexpr int kRowHeight = 345;
constexpr int kRowStep = 420;
constexpr int kFrameWidth = 7935;
constexpr int kFrameLeft = 120;
constexpr int kFirstRowTop = 330;         // under the frame's caption
constexpr int kFirstRowTopHeaders = 600;  // under the column headers
constexpr int kHeaderTop = 300;

int frameHeight(int rows, bool headers) {
    return (headers ? kFirstRowTopHeaders : kFirstRowTop) + (rows - 1) * kRowStep + kRowHeight +
           165;
}

bool isEditable(ui::ItemKind kind) {
    return kind == ui::ItemKind::Number || kind == ui::ItemKind::Sequence;
}

}  // namespace

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
    central->setFixedSize(tw(9585), tw(7680));
    setCentralWidget(central);

    SSTab2 = new QTabWidget(central);
    SSTab2->setObjectName("SSTab2");
    SSTab2->setGeometry(twRect(240, 0, 8295, 7335));
    SSTab2->setUsesScrollButtons(false);
    buildMsrTabs();

    // The combined tab set sits at the bottom edge of the client area, out
    // of sight: its barcode items exist and carry values but nobody reaches
    // them. Disabled as well, so that Tab cannot walk into it.
    SSTab1 = new QTabWidget(central);
    SSTab1->setObjectName("SSTab1");
    SSTab1->setGeometry(twRect(6960, 7680, 2460, 855));
    SSTab1->setEnabled(false);
    buildBarcodeTabs();

    buildCommands(central);
    buildMenus();
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    wire();

    SSTab2->setCurrentIndex(1);  // "MSR /1"
    window_.model().repaint = [this] { refresh(); };
    refresh();
}

frmMsr::~frmMsr() {
    window_.model().repaint = nullptr;
}

QWidget* frmMsr::buildPage(QTabWidget* tabs, const QString& caption) {
    auto* page = new QWidget;
    tabs->addTab(page, caption);
    return page;
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
    return combo;
}

void frmMsr::buildRow(QWidget* frame, int n, int top) {
    const ui::ItemDef& def = ui::item(n);
    const auto i = static_cast<std::size_t>(n);

    auto* label = new QLabel(frame);
    label->setObjectName(QString("lblItem_%1").arg(n));
    label->setGeometry(twRect(kCaptionLeft, top + 45, kCaptionWidth, 255));
    lblItem[i] = label;

    QListWidget* list = makeItemList(frame);
    list->setObjectName(QString("lstItem_%1").arg(n));
    list->setGeometry(twRect(kValueLeft, top, kValueWidth, kRowHeight));
    lstItem[i] = list;

    if (def.kind == ui::ItemKind::Fixed) {
        list->setEnabled(false);
    }
    if (def.kind == ui::ItemKind::Sequence) {
        // Eight scan codes are wider than the column: the mouse may reach
        // the list, for the tooltip with the whole text, and nothing else.
        list->setAttribute(Qt::WA_TransparentForMouseEvents, false);
        list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    }
    if (def.control != ui::ValueControl::List) {
        // The combo box lies over the list and shows the same value.
        list->hide();
        QComboBox* combo = makeCombo(frame);
        combo->setGeometry(twRect(kValueLeft, top, kValueWidth, kRowHeight));
        switch (def.control) {
            case ui::ValueControl::Cb:
                combo->setObjectName(QString("cb_%1").arg(n));
                cb[i] = combo;
                break;
            case ui::ValueControl::Combo1:
                combo->setObjectName("Combo1");
                Combo1 = combo;
                break;
            case ui::ValueControl::Combo2:
                combo->setObjectName("Combo2");
                Combo2 = combo;
                break;
            case ui::ValueControl::Combo3:
                combo->setObjectName("Combo3");
                Combo3 = combo;
                break;
            case ui::ValueControl::Combo4:
                combo->setObjectName("Combo4");
                Combo4 = combo;
                break;
            case ui::ValueControl::List:
                break;
        }
    }

    auto* button = new QPushButton(frame);
    button->setObjectName(QString("cmdItem_%1").arg(n));
    button->setGeometry(twRect(kButtonLeft, top - 15, kButtonWidth, kRowHeight + 30));
    button->setAutoDefault(false);
    if (!isEditable(def.kind)) {
        button->hide();  // the "Write" buttons are reached from code only
    }
    cmdItem[i] = button;
}

QGroupBox* frmMsr::buildFrame(QWidget* page, const QRect& geometry, int firstItem, int lastItem,
                              bool headers, bool actionHeader) {
    auto* frame = new QGroupBox(page);
    frame->setGeometry(geometry);
    if (headers || actionHeader) {
        auto header = [&](const char* text, int left, int width, bool shown) {
            auto* label = new QLabel(text, frame);
            label->setObjectName(QString("Label1_%1").arg(Label1.size()));
            label->setGeometry(twRect(left, kHeaderTop, width, 255));
            QFont bold = label->font();
            bold.setBold(true);
            label->setFont(bold);
            label->setVisible(shown);
            Label1.push_back(label);
        };
        if (headers) {
            header("Item List", kCaptionLeft, kCaptionWidth, true);
            header("Current Setting", kValueLeft, kValueWidth, true);
        }
        header("Action", kButtonLeft, kButtonWidth, false);
    }
    int top = headers ? kFirstRowTopHeaders : kFirstRowTop;
    for (int n = firstItem; n <= lastItem; ++n, top += kRowStep) {
        buildRow(frame, n, top);
    }
    return frame;
}

void frmMsr::buildMsrTabs() {
    // "MSR Basic": Frame1, with Timer1's place and the hidden members 0.
    QWidget* basic = buildPage(SSTab2, "MSR Basic");
    Frame1 = buildFrame(basic, twRect(kFrameLeft, 120, kFrameWidth, frameHeight(6, true)), 1, 6,
                        true, true);
    Frame1->setObjectName("Frame1");
    lstItem[0] = makeItemList(basic);
    lstItem[0]->setObjectName("lstItem_0");
    lstItem[0]->setGeometry(twRect(kFrameLeft, 4200, 1215, kRowHeight));
    lstItem[0]->hide();
    lstItem[0]->setEnabled(false);
    cmdItem[0] = new QPushButton(basic);
    cmdItem[0]->setObjectName("cmdItem_0");
    cmdItem[0]->setGeometry(twRect(1440, 4200, kButtonWidth, kRowHeight + 30));
    cmdItem[0]->hide();
    cmdItem[0]->setEnabled(false);

    // "MSR /1": the card reader's switches above its preambles and postambles.
    QWidget* msr1 = buildPage(SSTab2, "MSR /1");
    const int h10 = frameHeight(5, false);
    frame3[10] = buildFrame(msr1, twRect(kFrameLeft, 120, kFrameWidth, h10), 60, 64, false, false);
    frame3[11] =
        buildFrame(msr1, twRect(kFrameLeft, 120 + h10 + 150, kFrameWidth, frameHeight(8, false)),
                   65, 72, false, false);

    // "MSR/ 2": error handling, parity, and Frame4 with the scan-code mode.
    QWidget* msr2 = buildPage(SSTab2, "MSR/ 2");
    const int h3 = frameHeight(3, true);
    frame3[12] = buildFrame(msr2, twRect(kFrameLeft, 120, kFrameWidth, h3), 73, 75, true, true);
    frame3[13] =
        buildFrame(msr2, twRect(kFrameLeft, 120 + h3 + 150, kFrameWidth, h3), 76, 78, true, true);
    const int top4 = 120 + 2 * (h3 + 150);
    Frame4 = new QGroupBox(msr2);
    Frame4->setObjectName("Frame4");
    Frame4->setGeometry(twRect(kFrameLeft, top4, kFrameWidth, 1500));
    Label2 = new QLabel("Scan Codes (SCAN SET 2)", Frame4);
    Label2->setObjectName("Label2");
    Label2->setGeometry(twRect(kCaptionLeft, 420, kCaptionWidth, 255));
    Combo5 = makeCombo(Frame4);
    Combo5->setObjectName("Combo5");
    Combo5->setGeometry(twRect(kValueLeft, 375, 1335, kRowHeight));
    Cmdpt = new QPushButton(Frame4);
    Cmdpt->setObjectName("Cmdpt");
    Cmdpt->setGeometry(twRect(kValueLeft, 870, kValueWidth, 420));
    Cmdpt->setAutoDefault(false);
    Text1 = new QLineEdit(Frame4);
    Text1->setObjectName("Text1");
    Text1->setGeometry(twRect(kCaptionLeft, 900, 3600, kRowHeight));
    Text1->setReadOnly(true);
    Command7 = new QPushButton(Frame4);
    Command7->setObjectName("Command7");
    Command7->setGeometry(twRect(kButtonLeft, 360, kButtonWidth, kRowHeight + 30));
    Command7->setAutoDefault(false);

    for (std::size_t i = 10; i <= 13; ++i) {
        frame3[i]->setObjectName(QString("frame3_%1").arg(i));
    }
}

void frmMsr::buildBarcodeTabs() {
    QWidget* pages[8];
    const char* captions[8] = {"Basic",     "Barcode/1", "Barcode/2", "Barcode/3",
                               "Barcode/4", "Barcode/5", "Msr/1",     "Msr/2"};
    for (int p = 0; p < 8; ++p) {
        pages[p] = buildPage(SSTab1, captions[p]);
    }
    auto frames = ui::frame3Frames();
    int top[8] = {120, 120, 120, 120, 120, 120, 120, 120};
    auto place = [&](int page, int first, int last, bool headers, bool actionHeader) {
        const int h = frameHeight(last - first + 1, headers);
        QGroupBox* frame = buildFrame(pages[page], twRect(kFrameLeft, top[page], kFrameWidth, h),
                                      first, last, headers, actionHeader);
        top[page] += h + 150;
        return frame;
    };
    Frame2 = place(1, 7, 12, true, true);
    Frame2->setObjectName("Frame2");
    // frame3(0..9): which page each lies on and whether it has the hidden
    // "Action" header.
    const int pageOf[10] = {1, 2, 2, 2, 3, 3, 4, 4, 5, 5};
    const bool action[10] = {false, true, false, false, true, true, true, true, true, true};
    for (std::size_t i = 0; i < 10; ++i) {
        frame3[i] = place(pageOf[i], frames[i].firstItem, frames[i].lastItem, false, action[i]);
        frame3[i]->setObjectName(QString("frame3_%1").arg(i));
    }
}

void frmMsr::buildCommands(QWidget* central) {
    struct ButtonDef {
        PictureButton** member;
        const char* name;
        Picture picture;
        const char* caption;
        const char* tooltip;
    };
    const ButtonDef buttons[6] = {
        {&Command1, "Command1", Picture::Open, "Open", "Read setting from file"},
        {&Command2, "Command2", Picture::Save, "Save", "Save EEPROM setting to file"},
        {&Command3, "Command3", Picture::ReadEeprom, "READ EEPROM", "Read setting from EEPROM"},
        {&Command4, "Command4", Picture::WriteEeprom, "WRITE EEPROM", "Write to EEPROM"},
        {&Command5, "Command5", Picture::ResetEeprom, "RESET EEPROM", "Reset to default setting"},
        {&Command6, "Command6", Picture::Exit, "Exit", nullptr},
    };
    for (int k = 0; k < 6; ++k) {
        auto* button =
            new PictureButton(paintedIcon(buttons[k].picture), buttons[k].caption, central);
        button->setObjectName(buttons[k].name);
        button->setGeometry(twRect(8520, 720 + 720 * k, 735, 735));
        if (buttons[k].tooltip != nullptr) {
            button->setToolTip(buttons[k].tooltip);
        }
        *buttons[k].member = button;
    }
}

void frmMsr::buildMenus() {
    QMenu* file = menuBar()->addMenu("&File");
    file->setObjectName("File");
    Readsettingfromfile = file->addAction("Read setting from file");
    Saveeepromsettingtofile = file->addAction("Save setting to file");
    Exit = file->addAction("Exit");
    QMenu* define = menuBar()->addMenu("&Define");
    define->setObjectName("Define");
    ReadsettingfromEEPROM = define->addAction("Read setting from EEPROM");
    writeSettingtoEEPROM = define->addAction("Write to EEPROM");
    Resettodefault = define->addAction("Reset to default");
    QMenu* help = menuBar()->addMenu("&Help");
    help->setObjectName("Help");
    About = help->addAction("About");

    Readsettingfromfile->setObjectName("Readsettingfromfile");
    Saveeepromsettingtofile->setObjectName("Saveeepromsettingtofile");
    Exit->setObjectName("Exit");
    ReadsettingfromEEPROM->setObjectName("ReadsettingfromEEPROM");
    writeSettingtoEEPROM->setObjectName("writeSettingtoEEPROM");
    Resettodefault->setObjectName("Resettodefault");
    About->setObjectName("About");
}

void frmMsr::setSimulated(bool simulated) {
    if (simulated && simulatedLabel == nullptr) {
        simulatedLabel = new QLabel("Simulated keyboard");
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

    auto onClick = [this](QPushButton* button, std::function<void()> handler) {
        connect(button, &QPushButton::clicked, this, [this, handler] { handle(handler); });
    };
    auto onMenu = [this](QAction* action, std::function<void()> handler) {
        connect(action, &QAction::triggered, this, [this, handler] { handle(handler); });
    };
    onClick(Command1, [w] { w->Command1_Click(); });
    onClick(Command2, [w] { w->Command2_Click(); });
    onClick(Command3, [w] { w->Command3_Click(); });
    onClick(Command4, [w] { w->Command4_Click(); });
    onClick(Command5, [w] { w->Command5_Click(); });
    onClick(Command6, [w] { w->Command6_Click(); });
    onClick(Command7, [w] { w->Command7_Click(); });
    onClick(Cmdpt, [w] { w->Cmdpt_Click(); });
    onMenu(Readsettingfromfile, [w] { w->Readsettingfromfile_Click(); });
    onMenu(Saveeepromsettingtofile, [w] { w->Saveeepromsettingtofile_Click(); });
    onMenu(Exit, [w] { w->Exit_Click(); });
    onMenu(ReadsettingfromEEPROM, [w] { w->ReadsettingfromEEPROM_Click(); });
    onMenu(writeSettingtoEEPROM, [w] { w->writeSettingtoEEPROM_Click(); });
    onMenu(Resettodefault, [w] { w->Resettodefault_Click(); });
    connect(About, &QAction::triggered, this, &frmMsr::About_Click);
}

QComboBox* frmMsr::valueCombo(int n) const {
    if (n < 1 || n > ui::kItemCount) {
        return nullptr;
    }
    switch (ui::item(n).control) {
        case ui::ValueControl::Cb:
            return cb[static_cast<std::size_t>(n)];
        case ui::ValueControl::Combo1:
            return Combo1;
        case ui::ValueControl::Combo2:
            return Combo2;
        case ui::ValueControl::Combo3:
            return Combo3;
        case ui::ValueControl::Combo4:
            return Combo4;
        case ui::ValueControl::List:
            break;
    }
    return nullptr;
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
    const bool idle = m.commandsEnabled() && !window_.ended();

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
        if (ui::item(n).kind == ui::ItemKind::Sequence) {
            showWholeTextAsTip(lstItem[i]);
        }
        if (QComboBox* combo = valueCombo(n)) {
            refreshCombo(combo, *m.valueCombo(n));
            combo->setEnabled(idle);
        }
        cmdItem[i]->setText(fromWinText(m.cmdItem[i].caption));
        cmdItem[i]->setVisible(m.cmdItem[i].visible);
        cmdItem[i]->setEnabled(m.cmdItem[i].enabled && idle);
    }
    refreshList(lstItem[0], m.lstItem[0]);

    refreshCombo(Combo5, m.Combo5);
    Combo5->setEnabled(idle);
    Cmdpt->setText(fromWinText(m.Cmdpt.caption));
    Cmdpt->setVisible(m.Cmdpt.visible);
    Cmdpt->setEnabled(m.Cmdpt.enabled && idle);
    Text1->setText(fromWinText(m.Text1.caption));
    Text1->setVisible(m.Text1.visible);
    Text1->setEnabled(m.Text1.enabled);
    Command7->setText(fromWinText(m.Command7.caption));
    Command7->setVisible(m.Command7.visible);
    Command7->setEnabled(m.Command7.enabled && idle);

    // One operation at a time: what would start another waits for it. Exit
    // stays: the window unloads once the running operation has finished.
    for (QWidget* w : {static_cast<QWidget*>(Command1), static_cast<QWidget*>(Command2),
                       static_cast<QWidget*>(Command3), static_cast<QWidget*>(Command4),
                       static_cast<QWidget*>(Command5)}) {
        w->setEnabled(idle);
    }
    for (QAction* a : {Readsettingfromfile, Saveeepromsettingtofile, ReadsettingfromEEPROM,
                       writeSettingtoEEPROM, Resettodefault}) {
        a->setEnabled(idle);
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
    centreOnScreen(*this);
    show();
    centreOnScreen(*this);
}

}  // namespace tavrin::gui
