// Where the main window opens, on the screens and scales it meets.

#include "ui/window_placement.h"

#include <gtest/gtest.h>

#include "ui/form_layout.h"

namespace tavrin::test {
namespace {

// The main window's outer size in device-independent pixels: the client
// area (15 twips to a pixel), a menu bar, a title bar and a thin border.
constexpr int kWindowWidth = ui::kClientArea.width / 15 + 2 * 3;          // 645
constexpr int kWindowHeight = ui::kClientArea.height / 15 + 20 + 23 + 3;  // 558

struct PlacementCase {
    int screenWidth, screenHeight;  // pixels
    double scale;
    int panelTop;  // pixels a top panel takes
    ui::WindowPosition expected;
};

TEST(WindowPlacement, CentredWhereItFitsElseAtTheTopLeftOfTheFreeArea) {
    static_assert(kWindowWidth == 645 && kWindowHeight == 558);
    const PlacementCase cases[] = {
        {1024, 768, 1.0, 0, {189, 105}},       {1024, 768, 1.5, 0, {0, 0}},  // 682 x 512: too low
        {1024, 768, 2.0, 0, {0, 0}},                                         // 512 x 384
        {1280, 1024, 1.0, 0, {317, 233}},      {1280, 1024, 1.5, 0, {104, 62}},  // 853 x 682
        {1280, 1024, 2.0, 0, {0, 0}},  // 640 x 512: centred, its title bar at y = -23
        {1024, 768, 1.0, 32, {189, 32 + 89}},  {1024, 768, 1.5, 48, {0, 32}},
        {1280, 1024, 1.5, 48, {104, 32 + 46}}, {1280, 1024, 2.0, 64, {0, 32}},
    };
    for (const PlacementCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.screenWidth) + "x" + std::to_string(c.screenHeight) + " at " +
                     std::to_string(c.scale) + ", panel " + std::to_string(c.panelTop));
        const ui::ScreenArea area{0, static_cast<int>(c.panelTop / c.scale),
                                  static_cast<int>(c.screenWidth / c.scale),
                                  static_cast<int>((c.screenHeight - c.panelTop) / c.scale)};
        const ui::WindowPosition p = ui::placeWindow(area, kWindowWidth, kWindowHeight);
        EXPECT_EQ(p, c.expected) << p.left << "," << p.top;
        // The title bar is always on the free area.
        EXPECT_GE(p.left, area.left);
        EXPECT_GE(p.top, area.top);
        const bool fits = kWindowWidth <= area.width && kWindowHeight <= area.height;
        if (fits) {
            EXPECT_LE(p.left + kWindowWidth, area.left + area.width);
            EXPECT_LE(p.top + kWindowHeight, area.top + area.height);
        }
    }
}

// A free area that does not start at the screen's corner (a panel on the
// left, a second screen) places the window within it; an exact fit fills it.
TEST(WindowPlacement, TheFreeAreaIsWhereverItLies) {
    EXPECT_EQ(ui::placeWindow({1920, 0, 1280, 1024}, 1280, 1024), (ui::WindowPosition{1920, 0}));
    EXPECT_EQ(ui::placeWindow({-1280, 40, 1280, 984}, 640, 480),
              (ui::WindowPosition{-1280 + 320, 40 + 252}));
    EXPECT_EQ(ui::placeWindow({64, 0, 1216, 1024}, 1217, 100), (ui::WindowPosition{64, 0}));
    EXPECT_EQ(ui::placeWindow({64, 0, 1216, 1024}, 100, 1025), (ui::WindowPosition{64, 0}));
}

}  // namespace
}  // namespace tavrin::test
