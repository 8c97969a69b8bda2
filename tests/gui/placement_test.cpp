// The main window opens on its screen's free area. CTest runs this once
// more at QT_SCALE_FACTOR=2, where the offscreen screen (800 x 600) leaves
// 400 x 300 and the window no longer fits.

#include <gtest/gtest.h>

#include <QScreen>

#include "gui_rig.h"

namespace tavrin::test {
namespace {

TEST(WindowPlacement, TheMainWindowOpensOnTheFreeArea) {
    GuiRig rig;
    rig.start();
    ASSERT_TRUE(rig.frm.isVisible());
    const QRect area = rig.frm.screen()->availableGeometry();
    const QRect frame = rig.frm.frameGeometry();
    SCOPED_TRACE("area " + std::to_string(area.width()) + "x" + std::to_string(area.height()) +
                 ", window " + std::to_string(frame.width()) + "x" +
                 std::to_string(frame.height()) + " at " + std::to_string(frame.x()) + "," +
                 std::to_string(frame.y()));
    if (frame.width() <= area.width() && frame.height() <= area.height()) {
        EXPECT_TRUE(area.contains(frame));
        // In the middle, to the pixel the halving leaves.
        EXPECT_LE(std::abs((frame.left() - area.left()) - (area.right() - frame.right())), 1);
        EXPECT_LE(std::abs((frame.top() - area.top()) - (area.bottom() - frame.bottom())), 1);
    } else {
        EXPECT_EQ(frame.topLeft(), area.topLeft());
    }
}

}  // namespace
}  // namespace tavrin::test
