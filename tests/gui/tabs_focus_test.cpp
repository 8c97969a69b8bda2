// SSTab2's page changes and the keyboard focus: after Ctrl+Tab the focus is
// on the first control of the page shown, so a key typed next changes
// nothing on the page left.

#include <gtest/gtest.h>

#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include "gui_rig.h"

namespace tavrin::test {
namespace {

std::vector<std::string> shownValues(GuiRig& rig) {
    std::vector<std::string> values;
    for (int n = 1; n <= ui::kItemCount; ++n) {
        values.push_back(rig.shown(n));
    }
    return values;
}

// The operator's key goes to the control that has the focus.
void type(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr) << "no control has the focus";
    QTest::keyClick(focus, static_cast<Qt::Key>(key), modifiers);
    pumpQt();
}

TEST(MainWindowTabs, AKeyAfterCtrlTabReachesNoControlOfTheHiddenPage) {
    GuiRig rig;
    rig.start();
    gui::frmMsr& f = rig.frm;
    f.activateWindow();
    ASSERT_EQ(f.SSTab2->currentIndex(), 1);   // "MSR /1"
    QComboBox* msrEnable = f.valueCombo(60);  // "Enable MSR Function"
    GuiRig::pick(msrEnable, msrEnable->findText("NO"));
    pumpQt();
    msrEnable->setFocus();
    if (!msrEnable->hasFocus()) {
        GTEST_SKIP() << "the platform gives no keyboard focus";
    }
    const auto before = shownValues(rig);

    struct Step {
        const char* what;
        QWidget* focusFirst;  // nullptr: leave it
        int key;
        Qt::KeyboardModifiers modifiers;
        int page;          // shown after the key
        QWidget* focused;  // has the focus after the key
    } steps[] = {
        {"Ctrl+Tab to MSR/ 2", nullptr, Qt::Key_Tab, Qt::ControlModifier, 2, f.valueCombo(73)},
        // Back and forth from a later control: still the first one.
        {"Ctrl+Shift+Tab to MSR /1", f.valueCombo(76), Qt::Key_Backtab,
         Qt::ControlModifier | Qt::ShiftModifier, 1, msrEnable},
        {"Ctrl+Tab to MSR/ 2 again", nullptr, Qt::Key_Tab, Qt::ControlModifier, 2,
         f.valueCombo(73)},
        // The tab bar keeps it: its arrows go on choosing pages.
        {"Left on the tab bar", f.SSTab2->tabBar(), Qt::Key_Left, Qt::NoModifier, 1,
         f.SSTab2->tabBar()},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        if (step.focusFirst != nullptr) {
            step.focusFirst->setFocus();
            pumpQt();
        }
        type(step.key, step.modifiers);
        EXPECT_EQ(f.SSTab2->currentIndex(), step.page);
        EXPECT_EQ(QApplication::focusWidget(), step.focused)
            << (QApplication::focusWidget() ? QApplication::focusWidget()->objectName()
                                            : QString("nothing"))
                   .toStdString();
    }

    // A `y` after the page change: item 60 on the hidden page keeps its NO.
    f.valueCombo(73)->setFocus();
    f.SSTab2->setCurrentIndex(1);
    msrEnable->setFocus();
    type(Qt::Key_Tab, Qt::ControlModifier);
    ASSERT_EQ(f.SSTab2->currentIndex(), 2);
    QWidget* reached = QApplication::focusWidget();
    type(Qt::Key_Y);
    EXPECT_EQ(msrEnable->currentText(), "NO");
    const auto after = shownValues(rig);
    for (int n = 1; n <= ui::kItemCount; ++n) {
        if (f.valueCombo(n) != reached) {
            EXPECT_EQ(after[n - 1], before[n - 1]) << "item " << n << " changed unseen";
        }
    }
}

}  // namespace
}  // namespace tavrin::test
