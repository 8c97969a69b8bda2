// The form's tables and the window's decisions on its commands, as every
// front end reads them.

#include "ui/form_layout.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "items/catalogue.h"
#include "support/sim_rig.h"

namespace tavrin::test {
namespace {

bool overlaps(const ui::TwipsRect& a, const ui::TwipsRect& b) {
    return a.left < b.left + b.width && b.left < a.left + a.width && a.top < b.top + b.height &&
           b.top < a.top + a.height;
}

// Every item has one row in one frame; frames on a page do not overlap and
// stay inside their tab set; Frame4 comes under the last frame of "MSR/ 2".
TEST(FormLayout, EveryItemHasOneRowAndFramesKeepApart) {
    std::multiset<int> rows;
    for (const ui::TabSetLayout* tabs : {&ui::msrTabs(), &ui::barcodeTabs()}) {
        SCOPED_TRACE(std::string(tabs->name));
        for (std::size_t i = 0; i < tabs->frames.size(); ++i) {
            const ui::FrameLayout& f = tabs->frames[i];
            SCOPED_TRACE(std::string(f.name));
            ASSERT_LT(f.page, static_cast<int>(tabs->pages.size()));
            for (int n = f.firstItem; n <= f.lastItem; ++n) {
                rows.insert(n);
                EXPECT_LE(f.rowTop(n) + ui::kRowHeight, f.rect.height);
            }
            for (std::size_t j = 0; j < i; ++j) {
                if (tabs->frames[j].page == f.page) {
                    EXPECT_FALSE(overlaps(tabs->frames[j].rect, f.rect)) << tabs->frames[j].name;
                }
            }
        }
    }
    for (int n = 1; n <= ui::kItemCount; ++n) {
        EXPECT_EQ(rows.count(n), 1u) << "item " << n;
    }
    const ui::TwipsRect mode = ui::modeFrame().frame;
    EXPECT_FALSE(overlaps(mode, ui::msrTabs().frames.back().rect));
    EXPECT_LE(mode.top + mode.height, ui::msrTabs().rect.height);
}

// Each command of the button column has its menu entry, and the names the
// original form gave them.
TEST(FormLayout, ButtonsAndMenusNameTheirCommands) {
    std::set<ui::Command> menuCommands;
    std::set<std::string> names;
    for (const ui::MenuLayout& menu : ui::menus()) {
        EXPECT_EQ(menu.caption.substr(0, 1), "&");
        for (const ui::MenuEntryLayout& entry : menu.entries) {
            menuCommands.insert(entry.command);
            EXPECT_TRUE(names.insert(std::string(entry.name)).second) << entry.name;
        }
    }
    for (const ui::ButtonLayout& button : ui::commandButtons()) {
        EXPECT_TRUE(names.insert(std::string(button.name)).second) << button.name;
        // Command5 refuses after a failed read; the menu's reset asks anyway.
        const ui::Command menuTwin = button.command == ui::Command::ResetEeprom
                                         ? ui::Command::ResetToDefault
                                         : button.command;
        EXPECT_EQ(menuCommands.count(menuTwin), 1u) << button.name;
    }
    EXPECT_EQ(menuCommands.count(ui::Command::About), 1u);
}

// One operation at a time: while one runs only Exit and About are offered;
// Cmdpt follows the scan-code mode as well.
TEST(WindowCommands, EnabledFollowsTheOperationAndTheMode) {
    SimRig rig;
    rig.window.Form_Load();
    const ui::Command all[] = {ui::Command::ReadFile,    ui::Command::SaveFile,
                               ui::Command::ReadEeprom,  ui::Command::WriteEeprom,
                               ui::Command::ResetEeprom, ui::Command::ResetToDefault,
                               ui::Command::Exit,        ui::Command::About};
    for (bool running : {false, true}) {
        rig.model().operationRunning = running;
        for (ui::Command c : all) {
            const bool always = c == ui::Command::Exit || c == ui::Command::About;
            EXPECT_EQ(rig.window.enabled(c), always || !running) << static_cast<int>(c);
        }
        EXPECT_FALSE(rig.window.itemButtonEnabled(3) && running);
    }
    rig.model().operationRunning = false;
    EXPECT_TRUE(rig.window.itemButtonEnabled(3));
    EXPECT_FALSE(rig.window.enabled(ui::Command::OposPreset));  // mode off
    rig.chooseMode(true);
    EXPECT_TRUE(rig.window.enabled(ui::Command::OposPreset));

    // A choice made while an operation runs is not taken.
    const std::string before = rig.shown(63);
    rig.model().operationRunning = true;
    rig.choose(63, before == "YES" ? 1 : 0);
    rig.model().operationRunning = false;
    EXPECT_EQ(rig.shown(63), before);
}

}  // namespace
}  // namespace tavrin::test
