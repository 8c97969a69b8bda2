// SSTab2 from the keyboard: Ctrl+Tab and Ctrl+Shift+Tab move between its
// pages as a tab control does, only the page chosen shows its items, and the
// keys typed after a page change reach no control of a hidden page.

#include "items/catalogue.h"
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
        using Keys = std::initializer_list<WORD>;
        pressKey(VK_TAB, row.back ? Keys{VK_CONTROL, VK_SHIFT} : Keys{VK_CONTROL});
        EXPECT_TRUE(waitUntil([&] { return shown(row.page); }, kReact))
            << "page " << page() << " chosen";
    }
}

// The settings file's 32-bit word for EEPROM address a.
std::vector<std::uint8_t> word(const std::vector<std::uint8_t>& file, int a) {
    const auto at = file.begin() + 4 * a;
    return {at, at + 4};
}

TEST_F(WindowTabs, AKeyAfterCtrlTabReachesNoControlOfTheHiddenPage) {
    launch();
    ASSERT_TRUE(waitForStartupRead());
    HWND main = mainWindow();
    HWND tab = mainControl(ids::kSSTab2);
    ASSERT_NE(tab, nullptr);
    // A flag of "Msr Common Setting" on "MSR /1" that does not show YES: a
    // `y` typed into it would choose YES.
    HWND target = nullptr;
    int item = 0;
    for (int n = 60; n <= 64 && target == nullptr; ++n) {
        HWND combo = mainControl(ids::kValueCombo + n);
        if (combo != nullptr && comboText(combo) != "YES") {
            target = combo;
            item = n;
        }
    }
    ASSERT_NE(target, nullptr) << "the keyboard's file sets every MSR flag to YES";
    const std::string before = comboText(target);
    SetForegroundWindow(main);
    ASSERT_TRUE(waitUntil([&] { return GetForegroundWindow() == main; }, kReact));

    // Tab to it, as the operator does.
    for (int k = 0; k < 80 && focusOf(main) != target; ++k) {
        HWND was = focusOf(main);
        pressKey(VK_TAB);
        waitUntil([&] { return focusOf(main) != was; }, 3000);
    }
    ASSERT_EQ(focusOf(main), target) << "Tab does not reach item " << item;

    pressKey(VK_TAB, {VK_CONTROL});
    ASSERT_TRUE(waitUntil([&] { return IsWindowVisible(target) == 0; }, kReact));
    HWND focus = focusOf(main);
    EXPECT_TRUE(focus == tab || (IsChild(tab, focus) && IsWindowVisible(focus)))
        << "the focus stays on a control of the hidden page";
    pressKey('Y');
    // Back to "MSR /1": keys are taken in order, so the `y` has been handled.
    pressKey(VK_TAB, {VK_CONTROL, VK_SHIFT});
    EXPECT_TRUE(waitUntil([&] { return IsWindowVisible(target) != 0; }, kReact));
    EXPECT_EQ(comboText(target), before) << "the key changed item " << item << " unseen";

    // What the window holds: the keyboard's values, but where the `y` went
    // on the page shown.
    const std::string saved = folderFile("after-y.bin");
    saveFile(saved);
    ASSERT_TRUE(waitNoDialog());
    ASSERT_TRUE(waitUntil([&] { return win32::readBytes(saved).size() == 512; }, kReact));
    const auto keyboard = win32::readBytes(environment("TAVRIN_WINDOW_EEPROM"));
    const auto after = win32::readBytes(saved);
    ASSERT_EQ(keyboard.size(), 512u);
    const int shownItem = GetDlgCtrlID(focus) - ids::kValueCombo;
    const int typedAt = shownItem >= 73 && shownItem <= 78 ? ui::itemStore(shownItem).address : -1;
    for (int a = 0; a < 128; ++a) {
        if (a != typedAt) {
            EXPECT_EQ(word(after, a), word(keyboard, a)) << "address " << a << " changed";
        }
    }
}

}  // namespace

}  // namespace tavrin::test::window
