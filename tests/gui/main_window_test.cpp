// frmMsr against the simulated keyboard: what the window shows, and what
// the operator's clicks and choices do to the image and to the device.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QToolTip>
#include <QWheelEvent>

#include "gui/frm_about.h"
#include "gui/picture_button.h"
#include "gui_rig.h"
#include "items/catalogue.h"
#include "support/table.h"
#include "tavrin_version.h"

namespace tavrin::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// The factory settings with the listed bytes changed.
sim::KeyboardFirmware::Eeprom factoryWith(
    std::initializer_list<std::pair<std::size_t, std::uint8_t>> bytes) {
    auto e = sim::KeyboardFirmware::factoryDefaults();
    for (const auto& [address, value] : bytes) {
        e[address] = value;
    }
    return e;
}

// Key delay 12 ms, GERMANY, TK2, track 1 preamble "AB", buzzer off.
sim::KeyboardFirmware::Eeprom distinctiveEeprom() {
    return factoryWith({{40, 0x12}, {68, 0x33}, {69, 0x32}, {71, 'A'}, {72, 'B'}, {2, 0x05}});
}

// The window started over the keyboard's factory settings; over a silent
// keyboard the start-up read fails.
template <bool Silent>
class StartedWindow : public ::testing::Test {
protected:
    static sim::SimulatedKeyboard::Options options() {
        sim::SimulatedKeyboard::Options o;
        o.keyboard.silent = Silent;
        return o;
    }
    void SetUp() override { rig.start(); }
    GuiRig rig{options()};
    gui::frmMsr& f = rig.frm;
};
using MainWindowUnread = StartedWindow<true>;
using MainWindowLayout = StartedWindow<false>;
using MainWindowCombos = StartedWindow<false>;
using MainWindowEdit = StartedWindow<false>;
using MainWindowCommands = StartedWindow<false>;
using MainWindowFiles = StartedWindow<false>;
using MainWindowAbout = StartedWindow<false>;
using MainWindowExit = StartedWindow<false>;

// ---- Layout -------------------------------------------------------------

TEST_F(MainWindowLayout, ClientAreaTabsAndCommandColumnSitWhereTheFormHadThem) {
    EXPECT_EQ(f.centralWidget()->size(), QSize(639, 512));
    EXPECT_EQ(f.SSTab2->geometry(), QRect(16, 0, 553, 489));
    ASSERT_EQ(f.SSTab2->count(), 3);
    EXPECT_EQ(f.SSTab2->tabText(0), "MSR Basic");
    EXPECT_EQ(f.SSTab2->tabText(1), "MSR /1");
    EXPECT_EQ(f.SSTab2->tabText(2), "MSR/ 2");
    EXPECT_EQ(f.SSTab2->currentIndex(), 1);

    gui::PictureButton* buttons[6] = {f.Command1, f.Command2, f.Command3,
                                      f.Command4, f.Command5, f.Command6};
    const char* captions[6] = {"Open",         "Save",         "READ EEPROM",
                               "WRITE EEPROM", "RESET EEPROM", "Exit"};
    const char* tips[6] = {"Read setting from file",   "Save EEPROM setting to file",
                           "Read setting from EEPROM", "Write to EEPROM",
                           "Reset to default setting", ""};
    for (int k = 0; k < 6; ++k) {
        SCOPED_TRACE(captions[k]);
        EXPECT_EQ(buttons[k]->text(), captions[k]);
        EXPECT_EQ(buttons[k]->toolTip(), tips[k]);
        EXPECT_EQ(buttons[k]->geometry(), QRect(568, 48 + 48 * k, 49, 49));
        EXPECT_TRUE(buttons[k]->isVisible());
        EXPECT_FALSE(buttons[k]->icon().isNull());
    }
}

TEST_F(MainWindowLayout, BarcodeTabsExistOutOfReach) {
    ASSERT_EQ(f.SSTab1->count(), 8);
    EXPECT_EQ(f.SSTab1->tabText(1), "Barcode/1");
    EXPECT_EQ(f.SSTab1->tabText(7), "Msr/2");
    // At the client area's bottom edge: nothing of it is inside.
    EXPECT_GE(f.SSTab1->geometry().top(), f.centralWidget()->height());
    EXPECT_FALSE(f.SSTab1->isEnabled());
    // Its items still carry the keyboard's values.
    EXPECT_EQ(f.cb[7]->currentText(), "YES");  // barcode reader on in the defaults
    EXPECT_EQ(f.Combo3->currentText(), "*");
    EXPECT_EQ(f.Frame2->title(), "Barcode Setting");
    EXPECT_EQ(f.frame3[0]->title(), "Code 39");
}

TEST_F(MainWindowLayout, FramesRowsAndHeaders) {
    EXPECT_EQ(f.Frame1->title(), "Common Setting");
    EXPECT_EQ(f.frame3[10]->title(), "Msr Common Setting");
    EXPECT_EQ(f.frame3[12]->title(), "Error Setting");
    EXPECT_EQ(f.frame3[13]->title(), "Parity Check");
    EXPECT_EQ(f.Frame4->title(), "Preamble/Postamble Setting");  // set by the display
    EXPECT_EQ(f.Label2->text(), "Scan Codes (SCAN SET 2)");
    EXPECT_EQ(f.Cmdpt->text(), "Vantero OPOS Default");
    EXPECT_FALSE(f.Text1->isVisible());
    EXPECT_FALSE(f.Command7->isVisible());
    EXPECT_EQ(f.Combo5->count(), 2);

    int itemList = 0, currentSetting = 0, actionShown = 0;
    for (QLabel* header : f.Label1) {
        itemList += header->text() == "Item List";
        currentSetting += header->text() == "Current Setting";
        actionShown += header->text() == "Action" && !header->isHidden();
    }
    EXPECT_EQ(itemList, 4);  // Frame1, Frame2, frame3(12), frame3(13)
    EXPECT_EQ(currentSetting, 4);
    EXPECT_EQ(actionShown, 0);

    // Shared captions only told apart by their number.
    EXPECT_EQ(f.lblItem[15]->text(), "Send Check Digit");
    EXPECT_EQ(f.lblItem[41]->text(), "Send Check Digit");
    EXPECT_EQ(f.lblItem[17]->text(), "MAX. Length Of Barcode");
    EXPECT_EQ(f.lblItem[23]->text(), "Max. Length Of Barcode");
    EXPECT_EQ(f.lblItem[3]->text(), "Time Delay Of Key Storkes (ms)");

    // Edit buttons for number and sequence items; the "Write" ones are hidden.
    for (int n = 1; n <= ui::kItemCount; ++n) {
        SCOPED_TRACE(n);
        const auto kind = ui::item(n).kind;
        const bool editable = kind == ui::ItemKind::Number || kind == ui::ItemKind::Sequence;
        EXPECT_EQ(f.cmdItem[static_cast<std::size_t>(n)]->text(), editable ? "Edit" : "Write");
        EXPECT_EQ(f.cmdItem[static_cast<std::size_t>(n)]->isHidden(), !editable);
        EXPECT_EQ(f.valueCombo(n) != nullptr, kind == ui::ItemKind::Choice);
    }
    EXPECT_FALSE(f.lstItem[1]->isEnabled());
    EXPECT_FALSE(f.lstItem[2]->isEnabled());
    EXPECT_TRUE(f.lstItem[0]->isHidden());
    EXPECT_TRUE(f.cmdItem[0]->isHidden());
    EXPECT_FALSE(f.cmdItem[0]->isEnabled());
}

TEST_F(MainWindowLayout, MenusCarryTheirCaptions) {
    const auto menus = f.menuBar()->actions();
    ASSERT_EQ(menus.size(), 3);
    EXPECT_EQ(menus[0]->text(), "&File");
    EXPECT_EQ(menus[1]->text(), "&Define");
    EXPECT_EQ(menus[2]->text(), "&Help");
    auto texts = [](QAction* menu) {
        std::vector<std::string> out;
        for (QAction* a : menu->menu()->actions()) {
            out.push_back(a->text().toStdString());
        }
        return out;
    };
    EXPECT_THAT(texts(menus[0]),
                ElementsAre("Read setting from file", "Save setting to file", "Exit"));
    EXPECT_THAT(texts(menus[1]),
                ElementsAre("Read setting from EEPROM", "Write to EEPROM", "Reset to default"));
    EXPECT_THAT(texts(menus[2]), ElementsAre("About"));
}

TEST_F(MainWindowLayout, SimulatedKeyboardIsNamedInTheStatusBarOnly) {
    EXPECT_EQ(f.simulatedLabel, nullptr);
    f.setSimulated(true);
    ASSERT_NE(f.simulatedLabel, nullptr);
    EXPECT_EQ(f.simulatedLabel->text(), "Simulated keyboard");
    EXPECT_TRUE(f.statusBar()->isVisible());
    EXPECT_EQ(f.windowTitle(), "Tavrin Version " TAVRIN_VERSION);
    // Its whole text inside the window, clear of the right edge.
    QLabel* label = f.simulatedLabel;
    const int textWidth = label->fontMetrics().horizontalAdvance(label->text());
    EXPECT_GE(label->contentsRect().width(), textWidth);
    const QPoint textEnd = label->mapTo(&f, label->contentsRect().topRight());
    EXPECT_LE(textEnd.x(), f.width() - 8);
}

TEST(MainWindowPrepared, SequenceFieldsShowTheWholeTextAsTheirTooltip) {
    GuiRig rig;
    auto e = sim::KeyboardFirmware::factoryDefaults();
    e[49] |= 0x10;  // scan codes
    for (int a = 111; a <= 118; ++a) {
        e[static_cast<std::size_t>(a)] = a - 110;  // track 3 postamble <01>..<08>
    }
    rig.firmware().setEeprom(e);
    rig.start();
    const QString whole = "<01><02><03><04><05><06><07><08>";
    QListWidget* field = rig.frm.lstItem[72];
    ASSERT_EQ(rig.listShows(72), whole);
    ASSERT_GT(field->fontMetrics().horizontalAdvance(whole), field->viewport()->width())
        << "eight scan codes no longer overflow the field: this test shows nothing";

    EXPECT_EQ(field->toolTip(), whole);
    // The mouse reaches the field, and hovering it shows the whole text.
    const QPoint middle = field->viewport()->rect().center();
    QWidget* hovered =
        rig.frm.frame3[11]->childAt(field->viewport()->mapTo(rig.frm.frame3[11], middle));
    ASSERT_EQ(hovered, field->viewport());
    QHelpEvent help(QEvent::ToolTip, middle, field->viewport()->mapToGlobal(middle));
    QApplication::sendEvent(hovered, &help);
    EXPECT_EQ(QToolTip::text(), whole);
    QToolTip::hideText();

    // The tip follows the value; no value, no tip.
    for (const char* text : {"<64>", ""}) {
        rig.dialogs.onPrePost = [text](platform::PrePostRequest& r) { r.text = text; };
        QTest::mouseClick(rig.frm.cmdItem[72], Qt::LeftButton);
        EXPECT_EQ(field->toolTip(), text);
    }
    // Number fields keep no tip of their own.
    EXPECT_EQ(rig.frm.lstItem[3]->toolTip(), "");
}

// ---- Start-up -----------------------------------------------------------

TEST(MainWindowStartUp, ShowsTheKeyboardsValues) {
    GuiRig rig;
    rig.firmware().setEeprom(distinctiveEeprom());
    rig.start();
    gui::frmMsr& f = rig.frm;

    EXPECT_THAT(rig.messageTexts(), IsEmpty());
    EXPECT_TRUE(f.isVisible());
    EXPECT_EQ(f.windowTitle(), "Tavrin Version " TAVRIN_VERSION);
    EXPECT_EQ(rig.listShows(3), "12");
    EXPECT_EQ(f.Combo1->currentText(), "GERMANY");
    EXPECT_EQ(f.Combo2->currentText(), "TK2");
    EXPECT_EQ(f.cb[4]->currentText(), "NO");
    EXPECT_EQ(rig.listShows(67), "AB");
    EXPECT_EQ(rig.listShows(1), "KEYBOARD");
    EXPECT_EQ(f.Combo5->currentText(), "NO");
    EXPECT_FALSE(f.Cmdpt->isEnabled());
    EXPECT_EQ(f.frame3[11]->title(),
              QString::fromLatin1(ui::kFrame3_11ModeOff.data(), ui::kFrame3_11ModeOff.size()));
    // The read's waiting dialog came and went before the window.
    EXPECT_EQ(rig.dialogs.waitingShows, 1);
    EXPECT_FALSE(rig.dialogs.shown);
}

TEST_F(MainWindowUnread, FailedReadReportsAndKeepsTheDesignValues) {
    expectOnlyBox(rig.dialogs.messages, "Read setting from EEPROM error! Please check MSR device. ",
                  "Message", platform::MsgIcon::Error, platform::MsgButtons::Ok);
    EXPECT_TRUE(f.isVisible());
    EXPECT_EQ(f.Combo1->currentText(), "US");
    EXPECT_EQ(rig.listShows(3), "");
    // Every command stays available.
    EXPECT_TRUE(f.Command3->isEnabled());
    EXPECT_TRUE(f.Command5->isEnabled());
}

// ---- Combo boxes --------------------------------------------------------

TEST_F(MainWindowCombos, ChoiceChangesTheImageNotTheDevice) {
    const auto wireBefore = rig.wire();
    const auto eepromBefore = rig.firmware().eeprom();
    const auto imageBefore = rig.model().image;

    GuiRig::pick(f.Combo1, 4);  // SPAIN
    GuiRig::pick(f.cb[4], 0);   // no buzzer

    EXPECT_EQ(rig.model().image[68], 0x34);
    EXPECT_EQ(rig.model().lstItem[5].listIndex(), 4);
    EXPECT_EQ(rig.model().lstItem[4].listIndex(), 0);
    EXPECT_EQ(rig.model().image[2], imageBefore[2] & ~0x80);  // only the buzzer's bit
    EXPECT_EQ(f.Combo1->currentText(), "SPAIN");
    EXPECT_EQ(f.cb[4]->currentText(), "NO");
    EXPECT_EQ(rig.wire(), wireBefore);
    EXPECT_EQ(rig.firmware().eeprom(), eepromBefore);
    EXPECT_TRUE(rig.model().comboWriteFlag);
}

TEST_F(MainWindowCombos, RefreshingFromTheModelRunsNoHandler) {
    const auto imageBefore = rig.model().image;
    // Code sets combo boxes and lists; the view follows and writes nothing.
    rig.model().Combo1.setListIndex(2);
    rig.model().cb[4].setListIndex(0);
    rig.model().Combo5.setListIndex(1);
    f.refresh();
    pumpQt();
    EXPECT_EQ(f.Combo1->currentText(), "FRANCE");
    EXPECT_EQ(f.cb[4]->currentText(), "NO");
    EXPECT_EQ(f.Combo5->currentText(), "YES");
    EXPECT_EQ(rig.model().image, imageBefore);
    EXPECT_EQ(rig.model().lstItem[5].listIndex(), 0);  // the Combo1 handler would copy 2
    EXPECT_EQ(rig.model().scanCodeDisplayMode, 0);     // Combo5's handler would switch it
}

TEST(MainWindowPrepared, ATextThatIsNoEntryShowsWithoutSelecting) {
    // No such country: item 5 without a selection, Combo1 empty.
    GuiRig rig;
    rig.firmware().setEeprom(factoryWith({{68, 0x39}}));
    rig.start();
    EXPECT_EQ(rig.frm.Combo1->currentIndex(), -1);
    EXPECT_EQ(rig.frm.Combo1->currentText(), "");
    rig.model().Combo1.setText("SOMEWHERE");
    rig.frm.refresh();
    EXPECT_EQ(rig.frm.Combo1->currentIndex(), -1);
    EXPECT_EQ(rig.frm.Combo1->placeholderText(), "SOMEWHERE");
}

TEST_F(MainWindowCombos, WheelOnlyReachesAFocusedComboBox) {
    f.activateWindow();
    QComboBox* combo = f.Combo2;  // TK123, the last entry
    f.SSTab2->setCurrentIndex(0);
    pumpQt();
    auto wheel = [&](int delta) {
        QWheelEvent event(QPointF(10, 10), combo->mapToGlobal(QPointF(10, 10)), QPoint(),
                          QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(combo, &event);
    };
    f.Command1->setFocus();
    ASSERT_FALSE(combo->hasFocus());
    wheel(120);  // up: would select TK23
    EXPECT_EQ(combo->currentText(), "TK123");
    EXPECT_EQ(rig.model().lstItem[6].listIndex(), 5);
    EXPECT_EQ(rig.model().image[69], 0x36);

    combo->setFocus();
    if (!combo->hasFocus()) {
        GTEST_SKIP() << "the platform gives no keyboard focus";
    }
    wheel(120);
    EXPECT_EQ(combo->currentText(), "TK23");
    EXPECT_EQ(rig.model().image[69], 0x35);  // the operator's own choice is taken
}

TEST_F(MainWindowCombos, ScanCodeModeSwitchesCaptionAndPresetButton) {
    const auto wireBefore = rig.wire();
    GuiRig::pick(f.Combo5, 1);
    EXPECT_EQ(f.frame3[11]->title(), "Preamble/Postamble Setting In Hexidecimal");
    EXPECT_TRUE(f.Cmdpt->isEnabled());
    EXPECT_EQ(rig.model().image[49] & 0x10, 0x10);

    GuiRig::pick(f.Combo5, 0);
    EXPECT_EQ(f.frame3[11]->title(), "Preamble/Postamble Setting               ");
    EXPECT_FALSE(f.Cmdpt->isEnabled());
    EXPECT_EQ(rig.model().image[49] & 0x10, 0);
    EXPECT_EQ(rig.wire(), wireBefore);
}

// ---- Edit buttons -------------------------------------------------------

TEST_F(MainWindowEdit, Track1PreambleInScanCodes) {
    GuiRig::pick(f.Combo5, 1);
    const auto wireBefore = rig.wire();
    rig.dialogs.onPrePost = [](platform::PrePostRequest& r) { r.text = "<64>"; };
    QTest::mouseClick(f.cmdItem[67], Qt::LeftButton);

    ASSERT_EQ(rig.dialogs.prePostShown.size(), 1u);
    EXPECT_TRUE(rig.dialogs.prePostShown[0].scanCodeForm);
    EXPECT_EQ(rig.dialogs.prePostShown[0].limitPrompt, "Please enter less than 8 scan codes");
    EXPECT_EQ(rig.listShows(67), "<64>");
    EXPECT_EQ(rig.model().image[71], 0x64);
    for (int a = 72; a <= 78; ++a) {
        EXPECT_EQ(rig.model().image[static_cast<std::size_t>(a)], 0) << a;
    }
    EXPECT_EQ(rig.wire(), wireBefore);
    EXPECT_TRUE(f.cmdItem[67]->isEnabled());  // back once the edit is done
}

TEST_F(MainWindowEdit, NumberThroughTheInputBox) {
    rig.dialogs.inputAnswers = {" 25 ", "1a"};
    f.SSTab2->setCurrentIndex(0);
    QTest::mouseClick(f.cmdItem[3], Qt::LeftButton);
    ASSERT_EQ(rig.dialogs.inputPrompts.size(), 1u);
    EXPECT_EQ(rig.dialogs.inputPrompts[0].prompt, "Please input 1 or 2 digit (0-9, 00-99)");
    EXPECT_EQ(rig.dialogs.inputPrompts[0].title, "Input");
    EXPECT_EQ(rig.dialogs.inputPrompts[0].defaultAnswer, "5");
    EXPECT_EQ(rig.listShows(3), "25");
    EXPECT_EQ(rig.model().image[40], 0x25);

    QTest::mouseClick(f.cmdItem[3], Qt::LeftButton);  // rejected answer
    EXPECT_EQ(rig.listShows(3), "25");
    EXPECT_EQ(rig.model().image[40], 0x25);
    ASSERT_FALSE(rig.dialogs.messages.empty());
    EXPECT_EQ(rig.dialogs.messages.back().title, "Error");
}

TEST(MainWindowPrepared, ControlCharactersStayOnOneLine) {
    // {ENTER}, a byte with no token (its control picture), the euro sign in the ANSI code page.
    GuiRig rig;
    rig.firmware().setEeprom(factoryWith({{71, 'A'}, {72, 0x0D}, {73, 0x01}, {74, 0x80}}));
    rig.start();
    EXPECT_EQ(rig.listShows(67), QString::fromUtf8("A{ENTER}\u2401\u20AC"));
}

// ---- Device commands ----------------------------------------------------

TEST_F(MainWindowCommands, WriteEepromSendsTheItemsAndReports) {
    GuiRig::pick(f.Combo1, 4);  // SPAIN, staged in the image
    const std::size_t before = rig.wire().size();
    QTest::mouseClick(f.Command4, Qt::LeftButton);

    const auto all = rig.wire();
    const std::vector<std::uint8_t> sent(all.begin() + static_cast<long>(before), all.end());
    EXPECT_TRUE(containsRun(sent, {0xE7, 0x55, 0xAA, 0xE3, 0x2B, 0xE3, 0x34, 0xE6}));
    ASSERT_GE(sent.size(), kClosingFrame.size());
    EXPECT_TRUE(std::equal(kClosingFrame.begin(), kClosingFrame.end(),
                           sent.end() - static_cast<long>(kClosingFrame.size())));
    EXPECT_FALSE(containsRun(sent, kReadCommand));
    EXPECT_EQ(rig.firmware().eeprom()[68], 0x34);  // the keyboard took it
    ASSERT_FALSE(rig.dialogs.messages.empty());
    expectBox(rig.dialogs.messages.back(), "Write to EEPROM Successful!", "Message",
              platform::MsgIcon::Information, platform::MsgButtons::Ok);
    EXPECT_FALSE(rig.dialogs.shown);
    EXPECT_TRUE(f.Command4->isEnabled());
}

TEST_F(MainWindowUnread, ResetAfterAFailedReadIsRefusedAndSendsNothing) {
    const auto wireBefore = rig.wire();
    rig.dialogs.messages.clear();
    rig.dialogs.answers = {platform::MsgAnswer::Yes};
    QTest::mouseClick(f.Command5, Qt::LeftButton);
    expectOnlyBox(rig.dialogs.messages, "Wrote setting to EEPROM error!", "Message",
                  platform::MsgIcon::Error, platform::MsgButtons::Ok);
    EXPECT_EQ(rig.wire(), wireBefore);
    EXPECT_EQ(rig.firmware().resets(), 0);
}

TEST_F(MainWindowUnread, ResetMenuGoesAheadAfterAFailedRead) {
    rig.dialogs.answers = {platform::MsgAnswer::Yes};
    f.Resettodefault->trigger();
    EXPECT_EQ(rig.firmware().resets(), 1);
}

TEST_F(MainWindowCommands, ReadEepromShowsWhatTheKeyboardHoldsNow) {
    rig.firmware().setEeprom(distinctiveEeprom());
    rig.dialogs.messages.clear();
    QTest::mouseClick(f.Command3, Qt::LeftButton);
    EXPECT_EQ(f.Combo1->currentText(), "GERMANY");
    EXPECT_EQ(rig.listShows(67), "AB");
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    EXPECT_EQ(rig.dialogs.messages[0].text, "Read setting from EEPROM success!");
    EXPECT_EQ(rig.firmware().readRequests(), 2);
}

TEST_F(MainWindowCommands, OposPresetFromItsButton) {
    GuiRig::pick(f.Combo5, 1);
    rig.dialogs.answers = {platform::MsgAnswer::Yes};
    QTest::mouseClick(f.Cmdpt, Qt::LeftButton);
    EXPECT_EQ(rig.listShows(72), "<68><6A><6A>");  // read back from the keyboard
    EXPECT_EQ(rig.firmware().eeprom()[111], 0x68);
}

// ---- Files ----------------------------------------------------------------

TEST_F(MainWindowFiles, SaveAndOpenRoundTrip) {
    const std::string path = rig.programDir.file("keyboard.set");
    GuiRig::pick(f.Combo1, 5);  // ITALY
    const auto wireBefore = rig.wire();

    rig.dialogs.saveNames = {path};
    QTest::mouseClick(f.Command2, Qt::LeftButton);
    const auto bytes = rig.programDir.read("keyboard.set");
    ASSERT_EQ(bytes.size(), 512u);
    EXPECT_EQ(bytes[4 * 68], 0x35);

    GuiRig::pick(f.Combo1, 0);  // US again
    rig.dialogs.openNames = {path};
    f.Readsettingfromfile->trigger();
    EXPECT_EQ(f.Combo1->currentText(), "ITALY");
    EXPECT_EQ(rig.model().image[68], 0x35);
    EXPECT_EQ(rig.wire(), wireBefore);  // files never reach the keyboard
    EXPECT_EQ(rig.dialogs.waitingShows, rig.dialogs.waitingCloses);
}

TEST_F(MainWindowFiles, OpeningAMissingFileChangesNothing) {
    GuiRig::pick(f.Combo1, 3);
    rig.dialogs.openNames = {rig.programDir.file("nothing-here")};
    QTest::mouseClick(f.Command1, Qt::LeftButton);
    ASSERT_FALSE(rig.dialogs.messages.empty());
    EXPECT_EQ(rig.dialogs.messages.back().text, "File not found!");
    EXPECT_EQ(f.Combo1->currentText(), "GERMANY");
    // Cancelling shows nothing.
    const std::size_t shown = rig.dialogs.messages.size();
    QTest::mouseClick(f.Command1, Qt::LeftButton);
    QTest::mouseClick(f.Command2, Qt::LeftButton);
    EXPECT_EQ(rig.dialogs.messages.size(), shown);
}

// ---- About box ----------------------------------------------------------

TEST_F(MainWindowAbout, ShowsTheFirmwareUntilClosed) {
    f.About->trigger();
    gui::frmAbout& about = f.about();
    pumpQt();
    EXPECT_TRUE(about.isVisible());
    EXPECT_FALSE(about.isModal());
    EXPECT_EQ(about.windowTitle(), "About MSR");
    EXPECT_EQ(about.Label2->text(), "Tavrin");
    EXPECT_EQ(about.Label3->text(), "Version " TAVRIN_VERSION);
    EXPECT_EQ(about.Label4->text(), "Win95/98/ME/XP/2000");
    EXPECT_EQ(about.Label6->text(), "Firmware Version 1.7");
    EXPECT_EQ(about.cmdSysInfo->text(), "System Info....");
    EXPECT_TRUE(f.Command3->isEnabled());  // the main window stays usable

    QTest::mouseClick(about.cmdSysInfo, Qt::LeftButton);
    expectOnlyBox(rig.dialogs.messages, "System Information Is Unavailable At This Time", "",
                  platform::MsgIcon::None, platform::MsgButtons::Ok);

    QTest::mouseClick(about.cmdAboutEnd, Qt::LeftButton);
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(rig.model().aboutLabel6, "Label6");
    f.About->trigger();
    EXPECT_EQ(f.about().Label6->text(), "Label6");
    f.about().close();  // the close box unloads it too
    QTest::mouseClick(f.Command3, Qt::LeftButton);
    EXPECT_EQ(f.about().Label6->text(), "Firmware Version 1.7");
}

// ---- Exit -----------------------------------------------------------------

TEST_F(MainWindowExit, ButtonClosesThePortDriverAndTheWindow) {
    QSignalSpy ended(&f, &gui::frmMsr::ended);
    QTest::mouseClick(f.Command6, Qt::LeftButton);
    pumpQt();
    EXPECT_TRUE(rig.window.ended());
    EXPECT_EQ(rig.ports().shutdownCalls(), 1);
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(ended.count(), 1);
}

TEST_F(MainWindowExit, MenuUnloadsToo) {
    f.Exit->trigger();
    pumpQt();
    EXPECT_EQ(rig.ports().shutdownCalls(), 1);
    EXPECT_FALSE(f.isVisible());
}

TEST_F(MainWindowExit, CloseBoxUnloadsToo) {
    f.About->trigger();
    QSignalSpy ended(&f, &gui::frmMsr::ended);
    EXPECT_TRUE(f.close());
    pumpQt();
    EXPECT_TRUE(rig.window.ended());
    EXPECT_EQ(rig.ports().shutdownCalls(), 1);
    EXPECT_FALSE(f.about().isVisible());  // every other window goes with it
    EXPECT_EQ(ended.count(), 1);
}

}  // namespace
}  // namespace tavrin::test
