// SSTab2 from the keyboard: Ctrl+Tab and Ctrl+Shift+Tab move between its
// pages as a tab control does, and only the page chosen shows its items.

#include "window_case.h"
#include "winui/control_ids.h"

// After <windows.h>, which it needs.
#include <commctrl.h>

namespace tavrin::test::window {

namespace {

namespace ids = winui::ids;

// An item of each page of SSTab2, in page order.
constexpr int kPageItems[] = {3, 67, 73};  // "MSR Basic", "MSR /1", "MSR/ 2"

struct TabRow {
    bool back;  // Ctrl+Shift+Tab
    int page;   // the page chosen after the keys
};

using WindowTabs = WindowCase;

TEST_F(WindowTabs, CtrlTabMovesBetweenThePagesAndShowsOnlyTheChosenOne) {
    // "MSR /1" at start; forward wraps from the last page to the first.
    const TabRow rows[] = {{false, 2}, {false, 0}, {true, 2}, {true, 1}, {true, 0}, {false, 1}};
    launch();
    ASSERT_TRUE(waitForStartupRead());
    HWND tab = mainControl(ids::kSSTab2);
    ASSERT_NE(tab, nullptr);
    auto page = [&] {
        LRESULT index = -1;
        DWORD_PTR out = 0;
        if (SendMessageTimeoutA(tab, TCM_GETCURSEL, 0, 0, SMTO_ABORTIFHUNG, 3000, &out) != 0) {
            index = static_cast<LRESULT>(out);
        }
        return static_cast<int>(index);
    };
    auto shown = [&](int expected) {
        for (int k = 0; k < 3; ++k) {
            HWND value = itemValue(kPageItems[k]);
            if (value == nullptr || (IsWindowVisible(value) != 0) != (k == expected)) {
                return false;
            }
        }
        return page() == expected;
    };
    EXPECT_TRUE(shown(1)) << "page " << page() << " at start";
    HWND main = mainWindow();
    for (const TabRow& row : rows) {
        SCOPED_TRACE(std::string(row.back ? "Ctrl+Shift+Tab" : "Ctrl+Tab") + " to page " +
                     std::to_string(row.page));
        SetForegroundWindow(main);
        ASSERT_TRUE(waitUntil([&] { return GetForegroundWindow() == main; }, kReact))
            << "the window does not take the keyboard";
        if (row.back) {
            pressKey(VK_TAB, {VK_CONTROL, VK_SHIFT});
        } else {
            pressKey(VK_TAB, {VK_CONTROL});
        }
        EXPECT_TRUE(waitUntil([&] { return shown(row.page); }, kReact))
            << "page " << page() << " chosen";
    }
}

}  // namespace

}  // namespace tavrin::test::window
