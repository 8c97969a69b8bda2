// One device operation at a time: while an operation waits, handling window
// events, the commands that would start another are disabled, and clicks
// on them send nothing.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QPushButton>
#include <QTest>

#include "gui/picture_button.h"
#include "gui_rig.h"

namespace tavrin::test {
namespace {

using ::testing::Each;

// What the operator could reach at one moment of the write's waits: the
// controls that would start another operation, and the two ways to leave.
struct Snapshot {
    bool running;
    std::vector<bool> starters;
    bool exit, menuExit;
};

Snapshot snapshot(GuiRig& rig) {
    gui::frmMsr& f = rig.frm;
    Snapshot s{rig.model().operationRunning, {}, f.Command6->isEnabled(), f.Exit->isEnabled()};
    for (QWidget* w :
         std::initializer_list<QWidget*>{f.Command1, f.Command2, f.Command3, f.Command4, f.Command5,
                                         f.Combo1, f.cb[60], f.Combo5, f.cmdItem[67], f.Cmdpt}) {
        s.starters.push_back(w->isEnabled());
    }
    for (QAction* a : {f.ReadsettingfromEEPROM, f.writeSettingtoEEPROM, f.Resettodefault,
                       f.Readsettingfromfile, f.Saveeepromsettingtofile}) {
        s.starters.push_back(a->isEnabled());
    }
    return s;
}

// Runs fn from the simulated host's event pump every 100 ms for the next
// span of simulated time, as the operator's clicks would arrive.
void during(GuiRig& rig, platform::Micros span, const std::function<void()>& fn) {
    const platform::Micros start = rig.clock.now();
    for (platform::Micros t = 100'000; t <= span; t += 100'000) {
        rig.clock.post(start + t, fn);
    }
}

TEST(OperationGuard, CommandsAreDisabledWhileAWriteWaitsAndClicksSendNothing) {
    GuiRig rig;
    rig.start();
    GuiRig::pick(rig.frm.Combo5, 1);  // the OPOS button would be enabled when idle
    const int readsBefore = rig.firmware().readRequests();
    const std::size_t wireBefore = rig.wire().size();

    std::vector<Snapshot> seen;
    during(rig, 4'000'000, [&] {
        if (!rig.model().operationRunning) {
            return;  // only clicks made inside the write count here
        }
        seen.push_back(snapshot(rig));
        QTest::mouseClick(rig.frm.Command3, Qt::LeftButton);
        QTest::mouseClick(rig.frm.Command5, Qt::LeftButton);
        QTest::mouseClick(rig.frm.cmdItem[67], Qt::LeftButton);
        QTest::mouseClick(rig.frm.Cmdpt, Qt::LeftButton);
        rig.frm.ReadsettingfromEEPROM->trigger();
        rig.frm.writeSettingtoEEPROM->trigger();
        rig.frm.Readsettingfromfile->trigger();
        emit rig.frm.Combo1->activated(3);
    });
    QTest::mouseClick(rig.frm.Command4, Qt::LeftButton);

    // The write's waits (150 + 200 + 200 + 1500 ms) gave the clicks a chance.
    ASSERT_GE(seen.size(), 10u);
    for (const Snapshot& s : seen) {
        EXPECT_TRUE(s.running);
        EXPECT_THAT(s.starters, Each(false));
        EXPECT_TRUE(s.exit && s.menuExit);  // leaving is always possible
    }
    EXPECT_EQ(rig.firmware().readRequests(), readsBefore);
    EXPECT_EQ(rig.firmware().resets(), 0);
    EXPECT_TRUE(rig.dialogs.prePostShown.empty());
    EXPECT_TRUE(rig.dialogs.openNames.empty());
    const auto all = rig.wire();
    const std::vector<std::uint8_t> sent(all.begin() + static_cast<long>(wireBefore), all.end());
    EXPECT_FALSE(containsRun(sent, kReadCommand));
    EXPECT_EQ(rig.model().lstItem[5].listIndex(), 0);  // Combo1's choice was not taken
    // The closing frame came once, at the end.
    int closings = 0;
    for (std::size_t k = 0; k + kClosingFrame.size() <= sent.size(); ++k) {
        closings += std::equal(kClosingFrame.begin(), kClosingFrame.end(), sent.begin() + k);
    }
    EXPECT_EQ(closings, 1);

    // Afterwards everything is back.
    Snapshot after = snapshot(rig);
    EXPECT_FALSE(after.running);
    EXPECT_THAT(after.starters, Each(true));
    EXPECT_TRUE(after.exit && after.menuExit);
}

TEST(OperationGuard, TheStartUpReadRunsBeforeTheWindowCanBeUsed) {
    GuiRig rig;
    int duringRead = 0;
    bool windowShown = false;
    during(rig, 1'500'000, [&] {
        if (rig.model().operationRunning) {
            ++duringRead;
            windowShown = windowShown || rig.frm.isVisible();
            QTest::mouseClick(rig.frm.Command3, Qt::LeftButton);
        }
    });
    rig.start();
    EXPECT_GT(duringRead, 0);
    EXPECT_FALSE(windowShown);
    EXPECT_EQ(rig.firmware().readRequests(), 1);
    EXPECT_TRUE(rig.frm.isVisible());
    EXPECT_TRUE(rig.frm.Command3->isEnabled());
}

TEST(OperationGuard, ExitDuringAWriteEndsOnceTheWriteIsDone) {
    GuiRig rig;
    rig.start();
    bool clicked = false;
    bool endedInside = false;
    rig.clock.post(rig.clock.now() + 1'000'000, [&] {
        clicked = rig.model().operationRunning;
        QTest::mouseClick(rig.frm.Command6, Qt::LeftButton);
        endedInside = rig.window.ended();
    });
    QTest::mouseClick(rig.frm.Command4, Qt::LeftButton);
    ASSERT_TRUE(clicked);
    EXPECT_FALSE(endedInside);
    pumpQt();
    EXPECT_TRUE(rig.window.ended());
    EXPECT_EQ(rig.ports().shutdownCalls(), 1);
    EXPECT_EQ(rig.firmware().closingFrames(), 1);  // the write finished first
    EXPECT_FALSE(rig.frm.isVisible());
}

TEST(OperationGuard, FocusComesBackToTheOperatorsControl) {
    GuiRig rig;
    rig.start();
    rig.frm.activateWindow();
    rig.frm.SSTab2->setCurrentIndex(0);
    rig.frm.Combo1->setFocus();
    if (!rig.frm.Combo1->hasFocus()) {
        GTEST_SKIP() << "the platform gives no keyboard focus";
    }
    GuiRig::pick(rig.frm.Combo1, 2);  // disables everything for the change, then enables
    EXPECT_TRUE(rig.frm.Combo1->hasFocus());
}

}  // namespace
}  // namespace tavrin::test
